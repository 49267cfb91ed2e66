// site_pvalue.cpp: the exact distribution of a weight matrix score of a
// background word, column by column.
#include "site_pvalue.hpp"

#include <algorithm>
#include <cmath>

#include "alloc_guard.hpp"
#include "log_value.hpp"

namespace {

long long rounded(double score, double grid) noexcept { return std::llround(score / grid); }

}  // namespace

Status score_tail(const Pwm& pwm, const Background& bg, double grid, ScoreTail& ret) noexcept {
  if (static_cast<int>(bg.freq.size()) != pwm.k || pwm.k == 0 || !(grid > 0)) return ERDATA;
  return guard_alloc([&]() -> Status {
    // dist[s - lo]: ln P(score of the first columns = s steps).
    long long lo = 0;
    std::vector<double> dist(1, 0.0), next;
    std::vector<long long> step(static_cast<std::size_t>(pwm.k));
    for (int col = 0; col < pwm.width; ++col) {
      for (int a = 0; a < pwm.k; ++a) step[static_cast<std::size_t>(a)] = rounded(pwm.at(col, a), grid);
      const long long smin = *std::min_element(step.begin(), step.end());
      const long long smax = *std::max_element(step.begin(), step.end());
      next.assign(dist.size() + static_cast<std::size_t>(smax - smin), kLogZero);
      for (int a = 0; a < pwm.k; ++a) {
        const double lp = std::log(bg.freq[static_cast<std::size_t>(a)]);
        const auto shift = static_cast<std::size_t>(step[static_cast<std::size_t>(a)] - smin);
        for (std::size_t i = 0; i < dist.size(); ++i)
          if (dist[i] != kLogZero) next[i + shift] = log_add(next[i + shift], dist[i] + lp);
      }
      lo += smin;
      std::swap(dist, next);
    }
    ScoreTail t;
    t.grid = grid;
    t.lo = lo;
    t.log_tail.assign(dist.size(), kLogZero);
    double run = kLogZero;
    for (std::size_t i = dist.size(); i-- > 0;) {
      run = log_add(run, dist[i]);
      t.log_tail[i] = std::min(0.0, run);
    }
    ret = std::move(t);
    return 0;
  });
}

Status word_steps(const Pwm& pwm, const Background& bg, double grid, std::string_view word,
                  long long& ret) noexcept {
  if (static_cast<int>(word.size()) != pwm.width) return ERDATA;
  long long s = 0;
  for (int col = 0; col < pwm.width; ++col) {
    const int a = letter_index(bg.letters, word[static_cast<std::size_t>(col)]);
    if (a < 0) return ERDATA;
    s += rounded(pwm.at(col, a), grid);
  }
  ret = s;
  return 0;
}

double tail_at(const ScoreTail& t, long long steps) noexcept {
  if (steps <= t.lo) return 0;
  const long long i = steps - t.lo;
  if (i >= static_cast<long long>(t.log_tail.size())) return kLogZero;
  return t.log_tail[static_cast<std::size_t>(i)];
}
