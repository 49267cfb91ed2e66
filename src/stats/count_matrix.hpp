// count_matrix.hpp: the count matrix of a signal's sites, its position
// weight matrix and the log-likelihood ratio of the sites.
//
// A site is one word (a word pair's two words concatenated). The weight
// matrix estimates each column's letter probabilities with a pseudocount
// spread by the background:
//     q(i,a) = (n(i,a) + beta * p(a)) / (N + beta),   W(i,a) = ln(q(i,a) / p(a)),
// and the log-likelihood ratio of the sites is the sum of their weight
// matrix scores, sum over columns and letters of n(i,a) * W(i,a), in nats.
#pragma once

#include <string>
#include <vector>

#include "background.hpp"
#include "status.hpp"

// beta above: one pseudo-site per column, spread by the background.
inline constexpr double kPseudocount = 1.0;

struct CountMatrix {
  int width = 0;            // columns (letters per site)
  int k = 0;                // letters of the alphabet
  int nsites = 0;           // sites counted
  std::vector<int> counts;  // width x k, row-major by column
  [[nodiscard]] int at(int col, int a) const noexcept {
    return counts[static_cast<std::size_t>(col * k + a)];
  }
};

// Counts the words, one site each, all of one width, letters in any case;
// a letter outside letters is not counted. Returns 0; ERDATA when the words
// differ in width; ERMEM.
[[nodiscard]] Status count_words(const std::vector<std::string>& words, std::string_view letters,
                                 CountMatrix& ret) noexcept;

struct Pwm {
  int width = 0, k = 0;
  std::vector<double> score;  // width x k: W(i,a) in nats
  [[nodiscard]] double at(int col, int a) const noexcept {
    return score[static_cast<std::size_t>(col * k + a)];
  }
};

// The weight matrix of m against bg with the pseudocount beta. Returns 0;
// ERDATA when bg has another alphabet size or m no site; ERMEM.
[[nodiscard]] Status build_pwm(const CountMatrix& m, const Background& bg, double beta, Pwm& ret) noexcept;

// One letter's share of a column's log-likelihood ratio: n * W for a letter
// of background frequency p seen n times in N sites (0 when n = 0).
[[nodiscard]] double llr_term(int n, int nsites, double p, double beta) noexcept;
