// polished_file.hpp: the polished result file and the summaries of the polish.
//
// The file is a korvax result file: per data portion the parameters lines and
// the block "Best quality result #1" of the polished signal, written with
// korvax's own report code, so that korvax-export (and korvax-polish) read it
// as they read korvax's. Lines of its own say what was polished and how:
// the first line of the file, and before each block the signal it started
// from and every word that changed.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "polish_portion.hpp"

struct PolishedPortion {
  int number = 0;                   // 1-based, in the run
  bool skipped = false;             // korvax skipped the portion
  std::string not_polished;         // why a portion korvax searched was not polished ("" if it was)
  std::unique_ptr<DataPortion> dp;  // as read from the input (name width as the report prints it)
  int pairs = 0, mincover = 0;      // from its parameters lines
  int sent = 0;                     // permutations sent in the portion
  int run_best = 0;                 // quality x100 of the run's best
  std::vector<StartSignal> starts;  // starts[0]: the run's best by quality
  PolishOutcome best;
};

struct PolishedRun {
  std::string result, input, history;  // the files as named ("" : no history)
  std::vector<std::string> echo;       // korvax's arguments, when the result file shows them
  std::vector<PolishedPortion> portions;
};

// Writes the polished result file of run, whose settings are s, into out
// (each portion's threshold and letter weights are its own, dp->derived).
// Returns 0 or ERIO.
[[nodiscard]] Status write_polished(std::FILE* out, const Settings& s, const PolishedRun& run) noexcept;

// What the polish of portion p did, in one line (without its line end).
[[nodiscard]] std::string portion_summary(const PolishedPortion& p);
