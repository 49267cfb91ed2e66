// log_value.hpp: probabilities kept as natural logarithms, and their decimal
// text. A p-value of a long motif can be far below the smallest double
// (1e-308); as a logarithm it is an ordinary number, and it is written from
// the logarithm, so it is never printed as 0.
#pragma once

#include <cmath>
#include <limits>
#include <string>
#include <utility>

inline constexpr double kLogZero = -std::numeric_limits<double>::infinity();

// ln(e^a + e^b) without leaving log space.
[[nodiscard]] inline double log_add(double a, double b) noexcept {
  if (a < b) std::swap(a, b);
  if (b == kLogZero) return a;
  return a + std::log1p(std::exp(b - a));
}

// ln C(n, k), the number of ways to choose k of n; kLogZero outside 0 <= k <= n.
[[nodiscard]] double log_choose(int n, int k) noexcept;

// e^ln_value as decimal text with two significant digits, "1.8e-07",
// "3.3e+01", "1.2e-450": the exponent as large as it needs to be. "0" only
// for ln_value = -infinity (a probability that is exactly 0).
[[nodiscard]] std::string format_log_value(double ln_value);
