// signal.cpp: the signal search of one permutation.
//
// Climbs the G-tree from the quad step at the deepest level up to level 1,
// picks the best key at the top, gives every sequence its word (or none),
// and measures the signal (measure.cpp).
#include "best.hpp"
#include "gtree.hpp"
#include "messages.hpp"
#include "word_index.hpp"

Status search_signal(GTree* t, const SearchEnv& e, std::int32_t* msg) noexcept {
  const DataPortion& dp = *e.dp;
  const Settings& s = *e.set;
  const ResultLayout lay{dp.n};
  for (int i = 0; i < dp.n; ++i) msg[lay.words() + i] = msg[lay.prox_sums() + i] = -1;

  for (int z = dp.logn - 1; z >= 1; --z) {
    if (s.diag_level >= 2 && e.out) std::fprintf(e.out, "Level %d\n", z);
    const Status st = z == dp.logn - 1 ? search_quads(t, e) : merge_groups(t, z, e);
    if (st != 0) return st;
    if (s.diag_level == 4 && e.out) dump_system(*t, z, dp, e.out);
    if (e.out && std::fflush(e.out) != 0) return ERIO;
  }

  return finish_signal(t, e, t->cost.data(), TopRows{t->system.data()}, msg);
}

Status finish_signal(const GTree* t, const SearchEnv& e, const std::int32_t* top_cost,
                     const TopRows& top, std::int32_t* msg) noexcept {
  const DataPortion& dp = *e.dp;
  const Settings& s = *e.set;
  const ResultLayout lay{dp.n};
  // Top selection: the best key of the one group spanning all places.
  const int mw = dp.mw, M = dp.M();
  Best best;
  for (int wa = 0; wa <= mw; ++wa)
    for (int wb = 0; wb <= mw; ++wb) best.offer(top_cost[static_cast<std::size_t>(wa * M + wb)], wa, wb, e.coin);
  const std::int16_t* row = top.row(static_cast<std::size_t>(best.first * M + best.second), dp.nn);

  // Words. An index whose word does not lie within its sequence or holds a
  // masked letter (possible only with a threshold of 0 or less) is no word.
  for (int j = 0; j < dp.n; ++j) {
    const int seq = t->perm[static_cast<std::size_t>(j)];
    int w = row[j];
    if (w != mw && !word_usable(dp, s, seq, w)) w = mw;
    msg[lay.words() + seq] = w;
  }

  measure_signal(e, msg);

  if (s.diag_level >= 2 && e.out) {
    report_signal(e, msg);
    if (std::fflush(e.out) != 0) return ERIO;
  }
  return 0;
}
