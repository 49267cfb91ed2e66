// site_pvalue.hpp: the p-value of one site's weight matrix score: how often a
// word drawn from the background scores at least as high.
//
// Each column's score is rounded to a grid of kScoreGrid nats; the
// distribution of the rounded score of a background word is exact, by
// dynamic programming over the columns (one convolution with the column's
// k scores per column), and kept as logarithms.
#pragma once

#include <string_view>
#include <vector>

#include "background.hpp"
#include "count_matrix.hpp"

inline constexpr double kScoreGrid = 0.01;  // nats

struct ScoreTail {
  double grid = kScoreGrid;
  long long lo = 0;              // the lowest rounded score, in steps
  std::vector<double> log_tail;  // [i]: ln P(score >= lo + i steps)
};

// The tail of the rounded score of a background word under pwm. Returns 0;
// ERDATA when bg has another alphabet size; ERMEM.
[[nodiscard]] Status score_tail(const Pwm& pwm, const Background& bg, double grid, ScoreTail& ret) noexcept;

// The rounded score of word (letters of bg, any case) in steps of grid.
// Returns 0; ERDATA when the word is not pwm's width or holds another letter.
[[nodiscard]] Status word_steps(const Pwm& pwm, const Background& bg, double grid, std::string_view word,
                                long long& ret) noexcept;

// ln P(score >= steps): 0 at or below the lowest score, -infinity above the highest.
[[nodiscard]] double tail_at(const ScoreTail& t, long long steps) noexcept;
