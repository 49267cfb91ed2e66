// start_points.hpp: the signals that the polish starts from, measured.
//
// Every signal of the best-results report of a data portion, and the best
// distinct rows of the history file, turned back into word indices and
// measured again by korvax's own measure, which must give the values the run
// printed: so the settings and the input are those of the run.
#pragma once

#include <string>
#include <vector>

#include "../history_file/history_file.hpp"
#include "../result_file/result_file.hpp"
#include "../search/tree/gtree.hpp"

// One word index per sequence; the data portion's mw for no word.
using Words = std::vector<int>;

// korvax's measure of a signal, as measure_signal gives it.
struct Measure {
  int quality = 0;  // x100, conservation bonuses included
  int power = 0;
  int avg_proximity = 0;  // x100
  std::vector<int> prox_sums;
};

// Measures words with measure_signal (env: settings, portion, no matrix).
[[nodiscard]] Status measure_words(const SearchEnv& env, const Words& words, Measure& ret) noexcept;

struct StartSignal {
  Words words;
  std::string origin;  // "best quality result #1 [73/375]", "the history row of permutation 57 (line 58)"
  int serial = 0;      // of the permutation that found it
  Measure measure;
};

// Appends every distinct signal of the report of portion p to ret, in file
// order. Returns 0; ERDATA when a reported word is not the input's, a name
// differs, or a measured value is not the printed one (err says which, and
// ends with hint, what may make the measure differ, in the last case); ERMEM.
[[nodiscard]] Status reported_starts(const ResultPortion& p, const SearchEnv& env, const std::string& hint,
                                     std::vector<StartSignal>& ret, std::string& err) noexcept;

// Takes the best `rows` distinct signals of the history portion h (by
// quality, ties in file order) and appends those that ret does not hold yet.
// Returns as reported_starts.
[[nodiscard]] Status history_starts(const HistoryPortion& h, int rows, const SearchEnv& env,
                                    const std::string& hint, std::vector<StartSignal>& ret,
                                    std::string& err) noexcept;
