// search.cpp: the signal search of one permutation.
//
// Climbs the G-tree from the quad step at the deepest level up to level 1,
// with the fast engine or the reference, picks the best key at the top,
// gives every sequence its word (or none), and measures the signal
// (measure.cpp).
#include "search/search.hpp"

#include "messages.hpp"
#include "search/tree/best.hpp"
#include "search/reference/reference.hpp"
#include "word_index.hpp"

namespace {

// The reference climb on the G-tree's own tables, each step's diagnostics
// written as it ends.
Status reference_climb(GTree& t, const SearchEnv& e) noexcept {
  const int logn = e.dp->logn;
  for (int z = logn - 1; z >= 1; --z) {
    level_line(e, z);
    const Status st = z == logn - 1 ? search_quads(t, e) : merge_groups(t, z, e);
    if (st != 0) return st;
    if (Status io = step_done(e, &t, z); io != 0) return io;
  }
  return 0;
}

}  // namespace

Status search_permutation(GTree& t, FastSearch& f, const SearchEnv& given, std::int32_t* msg) noexcept {
  // Both strands: the steps work out one key of each mirrored pair.
  SearchEnv e = given;
  StrandMirror mirror;
  e.mirror = !given.full_search && strand_mirror(*given.set, *given.dp, mirror) ? &mirror : nullptr;
  const DataPortion& dp = *e.dp;
  const ResultLayout lay{dp.n};
  for (int i = 0; i < dp.n; ++i) msg[lay.words() + i] = msg[lay.prox_sums() + i] = -1;

  if (!fast_engine_takes(f, *e.set)) {
    if (Status st = build_gtree(t, e); st != 0) return st;
  } else {
    if (Status st = build_levels(t, e); st != 0) return st;
    // The fast climb writes nothing: the "Level" lines follow it, so that a
    // climb it gives up (its tables released) leaves no trace.
    if (fast_climb(t, f, e) == 0) {
      for (int z = dp.logn - 1; z >= 1; --z) {
        level_line(e, z);
        if (Status io = step_done(e, nullptr, z); io != 0) return io;
      }
      return finish_signal(t, e, f.cost.data(), fast_top_rows(f, dp.M(), dp.nn), msg);
    }
    if (Status st = gtree_tables(t, e); st != 0) return st;
  }
  if (Status st = reference_climb(t, e); st != 0) return st;
  return finish_signal(t, e, t.cost.data(), TopRows{GroupRows{t.system.data(), dp.M(), dp.nn}}, msg);
}

namespace {

// Both strands (-RC): a signal of single words without a motif has a mirror,
// every word read on the other strand, of the same proximities (a letter
// agrees with a letter exactly when their complements agree, and the
// weights of -BG1, counted over both strands, are those of the complements)
// and so of the same quality. Of the two, the one with more words on the
// given strand is kept, so that a motif is shown as most of its sites read.
void orient_signal(const DataPortion& dp, const Settings& s, std::int32_t* words) noexcept {
  if (!s.both_strands || s.l2 != 0 || s.motif_given) return;
  int forward = 0, reverse = 0;
  for (int i = 0; i < dp.n; ++i) {
    const int w = words[i];
    if (w == dp.mw) continue;
    (w < dp.strand_len[ix(i)] ? forward : reverse) += 1;
  }
  if (reverse <= forward) return;
  for (int i = 0; i < dp.n; ++i)
    if (words[i] != dp.mw) words[i] = mirror_start(words[i], s.l, dp.strand_len[ix(i)]);
}

}  // namespace

Status finish_signal(const GTree& t, const SearchEnv& e, const std::int32_t* top_cost, const TopRows& top,
                     std::int32_t* msg) noexcept {
  const DataPortion& dp = *e.dp;
  const Settings& s = *e.set;
  const ResultLayout lay{dp.n};
  // Top selection: the best key of the one group spanning all places.
  const int mw = dp.mw, M = dp.M();
  Best best;
  for (int wa = 0; wa <= mw; ++wa)
    for (int wb = 0; wb <= mw; ++wb) best.offer(top_cost[ix(wa * M + wb)], wa, wb, e.coin);
  std::int16_t scratch[kMaxSlots];
  const std::int16_t* row = top.row(ix(best.first * M + best.second), scratch);

  // Words. An index whose word does not lie within its sequence or holds a masked letter (possible
  // only with a threshold of 0 or less) is no word.
  for (int j = 0; j < dp.n; ++j) {
    const int seq = t.perm[ix(j)];
    int w = row[j];
    if (w != mw && !word_usable(dp, s, seq, w)) w = mw;
    msg[lay.words() + seq] = w;
  }

  orient_signal(dp, s, msg + lay.words());
  measure_signal(e, msg);

  if (s.diag_level >= 2 && e.out) {
    report_signal(e, msg);
    return e.out->flush();
  }
  return 0;
}
