// polish_portion.cpp: shifts and climbs from every starting signal.
#include "polish_portion.hpp"

#include <new>
#include <set>

#include "alloc_guard.hpp"

namespace {

Status polish(const ClimbSpace& sp, const SearchEnv& env, const std::vector<StartSignal>& starts, int k,
              PolishOutcome& ret, std::string& err) {
  PolishOutcome best;
  best.start = -1;
  std::set<Words> climbed;
  for (std::size_t si = 0; si < starts.size(); ++si)
    for (int step = 0; step <= 2 * k; ++step) {
      const int d = step == 0 ? 0 : (step % 2 == 1 ? -(step + 1) / 2 : step / 2);
      Words from = shift_words(sp, starts[si].words, d);
      if (!climbed.insert(from).second) continue;
      ClimbResult c;
      if (Status st = climb(sp, from, c); st != 0) return st;
      ++best.climbs;
      Measure m;
      if (Status st = measure_words(env, c.words, m); st != 0) return st;
      if (m.quality != c.quality) {
        err = "internal error: a climbed signal measures " + std::to_string(m.quality) +
              " hundredths, the climb reckoned " + std::to_string(c.quality);
        return ERINT;
      }
      if (best.start < 0 || m.quality > best.measure.quality) {
        best.start = static_cast<int>(si);
        best.shift = d;
        best.moves = c.moves;
        best.words = std::move(c.words);
        best.measure = std::move(m);
      }
    }
  if (starts.empty() || best.measure.quality < starts[0].measure.quality) {
    err = "internal error: the polished signal is worse than the run's best";
    return ERINT;
  }
  ret = std::move(best);
  return 0;
}

}  // namespace

Status polish_portion(const ClimbSpace& sp, const SearchEnv& env, const std::vector<StartSignal>& starts,
                      int k, PolishOutcome& ret, std::string& err) noexcept {
  return guard_alloc(err, [&] { return polish(sp, env, starts, k, ret, err); });
}
