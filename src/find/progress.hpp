// progress.hpp: what korvax's console lines tell of a running search.
#pragma once

#include <string>

struct Progress {
  int portions = 0;          // "Job accepted" lines: data portions begun
  int permutations = 0;      // signals received in the current portion
  int total = 0;             // signals received in the whole run
  double best_quality = -1;  // best quality of the current portion (-1: none yet)
  std::string status;        // the word after "Global RC:" once the run ends
};

// Takes one console line of korvax (at -C1) into p.
void take_console_line(Progress& p, const std::string& line);

// The progress line shown on the terminal: portion, permutations done of
// the limit, the best quality so far and the time since the start.
[[nodiscard]] std::string progress_line(const Progress& p, int perm_limit, int seconds);
