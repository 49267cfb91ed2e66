// log_value.cpp: binomial coefficients in log space, and the decimal text
// of a value held as its logarithm.
#include "log_value.hpp"

#include <cstdio>

double log_choose(int n, int k) noexcept {
  if (k < 0 || k > n) return kLogZero;
  return std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
}

std::string format_log_value(double ln_value) {
  if (ln_value == kLogZero) return "0";
  const double log10_value = ln_value / std::log(10.0);
  double exponent = std::floor(log10_value);
  // The mantissa rounded to one decimal; 9.96 becomes 1.0 of the next power.
  double mantissa = std::round(std::pow(10.0, log10_value - exponent) * 10.0) / 10.0;
  if (mantissa >= 10.0) {
    mantissa /= 10.0;
    exponent += 1.0;
  }
  const long e = static_cast<long>(exponent);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.1fe%c%02ld", mantissa, e < 0 ? '-' : '+', e < 0 ? -e : e);
  return buf;
}
