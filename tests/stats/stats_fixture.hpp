// stats_fixture.hpp: random backgrounds and sites for the statistics tests,
// and the brute force they are compared with.
#pragma once

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "stats/background.hpp"
#include "stats/count_matrix.hpp"

inline constexpr const char* kDna = "ACGT";
inline constexpr const char* kProtein = "ACDEFGHIKLMNPQRSTVWY";

// A background with every frequency at least 0.02 / k, scaled to sum 1.
inline Background random_background(std::mt19937& rng, const char* letters) {
  std::vector<double> f;
  std::uniform_real_distribution<double> u(0.02, 1.0);
  for (const char* c = letters; *c != '\0'; ++c) f.push_back(u(rng));
  Background bg;
  if (given_background(letters, f, "test", bg) != 0) bg = {};
  return bg;
}

// n words of the given width drawn from bg.
inline std::vector<std::string> background_words(std::mt19937& rng, const Background& bg, int n, int width) {
  std::discrete_distribution<int> letter(bg.freq.begin(), bg.freq.end());
  std::vector<std::string> words;
  for (int i = 0; i < n; ++i) {
    std::string w;
    for (int j = 0; j < width; ++j) w += bg.letters[static_cast<std::size_t>(letter(rng))];
    words.push_back(w);
  }
  return words;
}

// Calls visit(word, probability) for every word of the given width over
// bg's letters, with its probability under bg.
template <class Visit>
void every_word(const Background& bg, int width, Visit&& visit) {
  const auto k = bg.letters.size();
  std::vector<std::size_t> at(static_cast<std::size_t>(width), 0);
  for (;;) {
    std::string w;
    double p = 1;
    for (std::size_t i : at) {
      w += bg.letters[i];
      p *= bg.freq[i];
    }
    visit(w, p);
    std::size_t j = 0;
    while (j < at.size() && ++at[j] == k) at[j++] = 0;
    if (j == at.size()) return;
  }
}
