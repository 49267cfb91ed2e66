// llr_pvalue.cpp: the exact distribution of the log-likelihood ratio of N
// background sites, column by column, and its tail.
//
// Contents
//   1. One column: dynamic programming over the letters
//   2. All columns: convolution, with the tail summed as it becomes certain
#include "llr_pvalue.hpp"

#include <algorithm>
#include <cmath>

#include "alloc_guard.hpp"
#include "log_value.hpp"

namespace {

// A distribution over whole steps lo, lo + 1, ..., as log probabilities.
struct StepDist {
  long long lo = 0;
  std::vector<double> lp;
  [[nodiscard]] long long hi() const noexcept { return lo + static_cast<long long>(lp.size()) - 1; }
};

long long term_steps(int n, int nsites, double p, double beta, double grid) noexcept {
  return std::llround(llr_term(n, nsites, p, beta) / grid);
}

// ---- 1. One column ----

// The distribution of one column's rounded share when its N letters are drawn
// from bg. The state after the first letters is (sites given to them, steps so
// far); the multinomial probability N! prod p^n / n! is built one letter at a
// time, the N! at the end.
StepDist column_distribution(int nsites, const Background& bg, double beta, double grid) {
  const int k = static_cast<int>(bg.freq.size());
  const auto width = static_cast<std::size_t>(nsites + 1);
  std::vector<std::vector<long long>> step(static_cast<std::size_t>(k), std::vector<long long>(width));
  std::vector<std::vector<double>> lq(static_cast<std::size_t>(k), std::vector<double>(width));
  long long lo = 0, hi = 0;
  for (int a = 0; a < k; ++a) {
    const double p = bg.freq[static_cast<std::size_t>(a)];
    auto& s = step[static_cast<std::size_t>(a)];
    for (int n = 0; n <= nsites; ++n) {
      s[static_cast<std::size_t>(n)] = term_steps(n, nsites, p, beta, grid);
      lq[static_cast<std::size_t>(a)][static_cast<std::size_t>(n)] = n * std::log(p) - std::lgamma(n + 1.0);
    }
    lo += *std::min_element(s.begin(), s.end());
    hi += *std::max_element(s.begin(), s.end());
  }
  const auto span = static_cast<std::size_t>(hi - lo + 1);
  // cur[m][s - lo]: sites m given to the letters so far, s steps.
  std::vector<std::vector<double>> cur(width, std::vector<double>(span, kLogZero)), next = cur;
  cur[0][static_cast<std::size_t>(-lo)] = 0;
  for (int a = 0; a < k; ++a) {
    const bool last = a == k - 1;
    for (auto& row : next) std::fill(row.begin(), row.end(), kLogZero);
    const auto& s = step[static_cast<std::size_t>(a)];
    const auto& q = lq[static_cast<std::size_t>(a)];
    for (int m = 0; m <= nsites; ++m) {
      const auto& from = cur[static_cast<std::size_t>(m)];
      for (std::size_t at = 0; at < span; ++at) {
        if (from[at] == kLogZero) continue;
        // The last letter takes every site left.
        for (int n = last ? nsites - m : 0; n <= nsites - m; ++n) {
          const auto to =
              static_cast<std::size_t>(static_cast<long long>(at) + s[static_cast<std::size_t>(n)]);
          double& cell = next[static_cast<std::size_t>(m + n)][to];
          cell = log_add(cell, from[at] + q[static_cast<std::size_t>(n)]);
        }
      }
    }
    std::swap(cur, next);
  }
  StepDist d;
  const auto& full = cur[static_cast<std::size_t>(nsites)];
  std::size_t first = 0, last = span;
  while (first < span && full[first] == kLogZero) ++first;
  while (last > first && full[last - 1] == kLogZero) --last;
  d.lo = lo + static_cast<long long>(first);
  const double log_n_factorial = std::lgamma(nsites + 1.0);
  for (std::size_t at = first; at < last; ++at) d.lp.push_back(full[at] + log_n_factorial);
  return d;
}

// ---- 2. All columns ----

// ln P(sum of width independent copies of col >= target). A partial sum that
// cannot reach the target with the columns left is dropped; one that reaches
// it whatever they add goes straight to the tail.
double tail_of_sum(const StepDist& col, int width, long long target) {
  if (width == 0) return target <= 0 ? 0.0 : kLogZero;
  double tail = kLogZero;
  StepDist sum;
  sum.lo = 0;
  sum.lp.assign(1, 0.0);
  for (int done = 0; done < width; ++done) {
    StepDist next;
    next.lo = sum.lo + col.lo;
    next.lp.assign(sum.lp.size() + col.lp.size() - 1, kLogZero);
    // Each sum gathered with its largest term factored out: one exp a term.
    for (std::size_t t = 0; t < next.lp.size(); ++t) {
      const std::size_t j0 = t >= sum.lp.size() ? t - sum.lp.size() + 1 : 0;
      const std::size_t j1 = std::min(t, col.lp.size() - 1);
      double top = kLogZero;
      for (std::size_t j = j0; j <= j1; ++j) top = std::max(top, sum.lp[t - j] + col.lp[j]);
      if (top == kLogZero) continue;
      double acc = 0;
      for (std::size_t j = j0; j <= j1; ++j) acc += std::exp(sum.lp[t - j] + col.lp[j] - top);
      next.lp[t] = top + std::log(acc);
    }
    const long long left = width - done - 1;
    StepDist kept;
    kept.lo = next.lo;
    for (std::size_t i = 0; i < next.lp.size(); ++i) {
      const long long s = next.lo + static_cast<long long>(i);
      if (s + left * col.hi() < target) {
        if (kept.lp.empty()) kept.lo = s + 1;  // cannot reach: dropped
      } else if (s + left * col.lo >= target) {
        tail = log_add(tail, next.lp[i]);  // reaches it in any case
      } else {
        kept.lp.push_back(next.lp[i]);
      }
    }
    sum = std::move(kept);
    if (sum.lp.empty()) break;
  }
  return tail;
}

}  // namespace

double llr_grid(int nsites, const Background& bg, double beta) noexcept {
  // The largest share of a column: every site on one letter.
  double top = 0;
  for (double p : bg.freq) top = std::max(top, llr_term(nsites, nsites, p, beta));
  return top > 0 ? top / kLlrColumnSteps : 1.0;
}

long long column_steps(const int* counts, int nsites, const Background& bg, double beta,
                       double grid) noexcept {
  long long s = 0;
  for (std::size_t a = 0; a < bg.freq.size(); ++a) s += term_steps(counts[a], nsites, bg.freq[a], beta, grid);
  return s;
}

Status llr_pvalue(const CountMatrix& m, const Background& bg, double beta, LlrTest& ret) noexcept {
  if (m.nsites == 0 || static_cast<int>(bg.freq.size()) != m.k || m.k == 0 || beta < 0) return ERDATA;
  return guard_alloc([&]() -> Status {
    LlrTest t;
    t.grid = llr_grid(m.nsites, bg, beta);
    for (int col = 0; col < m.width; ++col) {
      const int* row = m.counts.data() + col * m.k;
      t.steps += column_steps(row, m.nsites, bg, beta, t.grid);
      for (int a = 0; a < m.k; ++a)
        t.llr += llr_term(row[a], m.nsites, bg.freq[static_cast<std::size_t>(a)], beta);
    }
    const StepDist col = column_distribution(m.nsites, bg, beta, t.grid);
    t.log_p = std::min(0.0, tail_of_sum(col, m.width, t.steps));
    ret = t;
    return 0;
  });
}
