// llr_pvalue.hpp: how often N sites drawn from the background align as well
// as the signal's sites: the p-value of their log-likelihood ratio.
//
// Under the null model every column holds N letters drawn independently
// from the background, so its letter counts are multinomial and its share of
// the log-likelihood ratio (count_matrix.hpp) is a function of them. The
// column's distribution is computed exactly by dynamic programming over the
// letters (the exact method of Hertz and Stormo, 1999), each letter's term
// rounded to a grid; the columns are independent, so the distribution of the
// whole ratio is the convolution of the columns' distributions, and the
// p-value is its tail at the observed ratio, rounded the same way. Every
// probability is kept as a logarithm.
#pragma once

#include "count_matrix.hpp"

// The grid: the largest share one column can have, cut into this many steps.
inline constexpr int kLlrColumnSteps = 300;

struct LlrTest {
  double llr = 0;       // nats: the sites' log-likelihood ratio, unrounded
  double grid = 0;      // nats per step of the rounded ratio
  long long steps = 0;  // the rounded ratio: the sum of every letter term in whole steps
  double log_p = 0;     // ln P(rounded ratio of null sites >= steps)
};

// The test of the sites counted in m against bg with pseudocount beta (0:
// the maximum-likelihood ratio). Returns 0; ERDATA when m has no site or bg
// another alphabet size; ERMEM.
[[nodiscard]] Status llr_pvalue(const CountMatrix& m, const Background& bg, double beta,
                                LlrTest& ret) noexcept;

// The rounded share of one column with the given counts (k of them), in steps
// of grid: what llr_pvalue adds up. For tests that enumerate alignments.
[[nodiscard]] long long column_steps(const int* counts, int nsites, const Background& bg, double beta,
                                     double grid) noexcept;

// The grid llr_pvalue uses for nsites sites against bg.
[[nodiscard]] double llr_grid(int nsites, const Background& bg, double beta) noexcept;
