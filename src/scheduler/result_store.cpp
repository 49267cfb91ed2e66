// result_store.cpp: result messages stored in their records; word accounting.
#include "result_store.hpp"

#include <climits>
#include <cstring>

#include "messages.hpp"
#include "word_index.hpp"

namespace {

int clamp_int(long long v) noexcept {
  return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
}

}  // namespace

bool result_valid(const std::int32_t* msg, const DataPortion& dp, const Settings& s) noexcept {
  const ResultLayout lay{dp.n};
  const int power = msg[lay.power()];
  if (power < 0 || power > dp.n || msg[lay.quality()] < 0 || msg[lay.avg_proximity()] < 0) return false;
  for (int i = 0; i < dp.n; ++i) {
    if (msg[lay.prox_sums() + i] < 0) return false;
    const int w = msg[lay.words() + i];
    if (w != -1 && w != dp.mw && !word_usable(dp, s, i, w)) return false;
  }
  return true;
}

Status store_result(PermRecord& r, const std::int32_t* msg, TaskState& ts) noexcept {
  const auto n = ix(r.n);
  Table<int> words, sums, percents;
  if (table_alloc(words, n) != 0 || table_alloc(sums, n) != 0 || table_alloc(percents, n) != 0) return ERMEM;
  const ResultLayout lay{r.n};
  std::memcpy(words.data(), msg + lay.words(), n * sizeof(int));
  std::memcpy(sums.data(), msg + lay.prox_sums(), n * sizeof(int));
  r.quality = msg[lay.quality()];
  r.power = msg[lay.power()];
  r.avg_proximity = msg[lay.avg_proximity()];
  for (std::size_t s = 0; s < n; ++s) percents[s] = percent_of(sums[s], r.power);
  r.words = std::move(words);
  r.prox_sums = std::move(sums);
  r.percents = std::move(percents);

  const auto o = ix(r.task);
  if (r.quality > ts.best_quality[o]) {
    ts.best_quality[o] = r.quality;
    ts.non_improving[o] = 0;
  } else {
    ts.non_improving[o] += 1;
  }
  return account_words(r, r.task, ts);
}

Status account_words(PermRecord& r, int o, TaskState& ts) noexcept {
  const auto to = ix(o);
  ts.new_count[to] = 0;
  if (r.is_p()) ts.new_count[0] = 0;
  for (int s = 0; s < r.n; ++s) {
    const int w = r.words[ix(s)];
    if (w == ts.mw || w < 0) continue;
    int& score = ts.scores(o, s)[w];  // sums of a long Q-list must not wrap
    score = clamp_int(static_cast<long long>(score) + r.prox_sums[ix(s)]);
    int& seen = ts.seen(o, s)[w];
    if (seen == 0) {
      seen = 1;
      ts.new_count[to] += 1;
    }
    if (r.is_p()) {
      int& seen_p = ts.seen(0, s)[w];
      if (seen_p == 0) {
        seen_p = 1;
        ts.new_count[0] += 1;
      }
    }
  }
  r.new_words = r.is_p() ? ts.new_count[0] : ts.new_count[to];
  return 0;
}
