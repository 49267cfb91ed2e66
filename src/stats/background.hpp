// background.hpp: the letter frequencies that a signal is measured against.
//
// The background is order 0: one frequency per letter of the alphabet. It is
// the input's own letter frequencies (count_letters, then letter_background),
// or frequencies given by the caller (given_background: a run's own
// background), or uniform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "status.hpp"

struct Background {
  std::string letters;       // upper case, in the order of freq: "ACGT" or the 20 amino acids
  std::vector<double> freq;  // one per letter; each > 0, the sum 1
  std::string source;        // "uniform", "input", or what the caller names
};

// The index of c (any case) in letters, or -1.
[[nodiscard]] int letter_index(std::string_view letters, char c) noexcept;

// Adds the letters of text to counts (one per letter of letters); letters
// outside the alphabet are passed over.
void count_letters(std::string_view text, std::string_view letters, std::vector<double>& counts) noexcept;

// The frequencies of counts with pseudocount added to every letter, so that
// none is 0. Returns 0; ERDATA when a count is negative or all are 0 with
// pseudocount 0; ERMEM.
[[nodiscard]] Status letter_background(std::string_view letters, const std::vector<double>& counts,
                                       double pseudocount, Background& ret) noexcept;

// Every letter 1/k.
[[nodiscard]] Status uniform_background(std::string_view letters, Background& ret) noexcept;

// Frequencies given by the caller, scaled to sum 1. Returns 0; ERDATA when
// there is not one per letter or one is not above 0; ERMEM.
[[nodiscard]] Status given_background(std::string_view letters, const std::vector<double>& freq,
                                      std::string_view source, Background& ret) noexcept;
