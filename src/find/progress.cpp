// progress.cpp: korvax's console lines read for a progress line.
#include "progress.hpp"

#include <cstdio>
#include <cstdlib>

void take_console_line(Progress& p, const std::string& line) {
  if (line.rfind("Job accepted", 0) == 0) {
    ++p.portions;
    p.permutations = 0;
    p.best_quality = -1;
    return;
  }
  // "%d s) Signal from [T%d] for ... (pow=%d  q=%.2f  avprx=%.2f  new=%d)"
  if (line.find(") Signal from [T") != std::string::npos) {
    ++p.permutations;
    ++p.total;
    const std::size_t q = line.find(" q=");
    if (q != std::string::npos) {
      const double quality = std::strtod(line.c_str() + q + 3, nullptr);
      if (quality > p.best_quality) p.best_quality = quality;
    }
    return;
  }
  if (line.rfind("Global RC:", 0) == 0) {
    const std::size_t start = line.find_first_not_of(' ', 10);
    const std::size_t end = line.find(' ', start);
    p.status = start == std::string::npos ? "" : line.substr(start, end - start);
  }
}

std::string progress_line(const Progress& p, int perm_limit, int seconds) {
  char text[160];
  if (p.portions == 0) {
    std::snprintf(text, sizeof text, "korvax: starting (%d s)", seconds);
  } else if (p.best_quality < 0) {
    std::snprintf(text, sizeof text, "korvax: data portion %d, %d of at most %d permutations (%d s)",
                  p.portions, p.permutations, perm_limit, seconds);
  } else {
    std::snprintf(text, sizeof text,
                  "korvax: data portion %d, %d of at most %d permutations, best quality %.2f (%d s)",
                  p.portions, p.permutations, perm_limit, p.best_quality, seconds);
  }
  return text;
}
