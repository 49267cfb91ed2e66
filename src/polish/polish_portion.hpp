// polish_portion.hpp: the polish of one data portion.
//
// From every starting signal, the whole signal shifted by 0, -1, +1, ... -K,
// +K letters, each start climbed (climb.hpp); the best climbed signal is kept,
// the first found among equals. Every climbed signal is measured again with
// korvax's measure_signal, which must give the quality the climb reached.
#pragma once

#include <string>
#include <vector>

#include "climb.hpp"
#include "start_points.hpp"

struct PolishOutcome {
  int start = 0;  // the starting signal it came from (index into the starts)
  int shift = 0;  // the shift of that start it was climbed from
  int moves = 0;  // changes of one sequence's word in its climb
  Words words;
  Measure measure;  // by measure_signal
  int climbs = 0;   // climbs made in the portion (equal starts climbed once)
};

// Polishes the starts (starts[0] the run's best by quality) with shifts up
// to k. Returns 0; ERMEM; ERINT (err says why) when the climb's quality and
// korvax's measure disagree, which would be a fault of the polish.
[[nodiscard]] Status polish_portion(const ClimbSpace& sp, const SearchEnv& env,
                                    const std::vector<StartSignal>& starts, int k, PolishOutcome& ret,
                                    std::string& err) noexcept;
