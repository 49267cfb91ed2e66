// background.cpp: order-0 letter frequencies.
#include "background.hpp"

#include <cctype>
#include <cmath>

#include "alloc_guard.hpp"

int letter_index(std::string_view letters, char c) noexcept {
  const std::size_t at = letters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

void count_letters(std::string_view text, std::string_view letters, std::vector<double>& counts) noexcept {
  for (char c : text) {
    const int a = letter_index(letters, c);
    if (a >= 0 && static_cast<std::size_t>(a) < counts.size()) counts[static_cast<std::size_t>(a)] += 1;
  }
}

Status given_background(std::string_view letters, const std::vector<double>& freq, std::string_view source,
                        Background& ret) noexcept {
  if (freq.size() != letters.size() || letters.empty()) return ERDATA;
  double total = 0;
  for (double f : freq) {
    if (!(f > 0) || !std::isfinite(f)) return ERDATA;
    total += f;
  }
  return guard_alloc([&]() -> Status {
    Background bg;
    bg.letters = letters;
    bg.source = source;
    for (double f : freq) bg.freq.push_back(f / total);
    ret = std::move(bg);
    return 0;
  });
}

Status letter_background(std::string_view letters, const std::vector<double>& counts, double pseudocount,
                         Background& ret) noexcept {
  if (counts.size() != letters.size() || pseudocount < 0) return ERDATA;
  return guard_alloc([&]() -> Status {
    std::vector<double> with(counts);
    for (double& c : with) {
      if (c < 0) return ERDATA;
      c += pseudocount;
    }
    return given_background(letters, with, "input", ret);
  });
}

Status uniform_background(std::string_view letters, Background& ret) noexcept {
  return guard_alloc([&]() -> Status {
    return given_background(letters, std::vector<double>(letters.size(), 1.0), "uniform", ret);
  });
}
