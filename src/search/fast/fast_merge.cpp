// fast_merge.cpp: the merge step of the fast search.
//
// Group g of level z joins the previous groups 2g (heads a, a2) and 2g+1
// (heads b, b2). The admissible words of b2 are found for every key at once,
// one word of b at a time, and kept; then, one word of a at a time, the
// admissible words of a2 for every word of b, and each key makes its choice.
// A candidate whose previous key has a cost is judged by its member average:
// the proximities of the other head's word to the members of its half, which
// are summed once per previous key as a vector over every word of the other
// head.
#include <algorithm>
#include <cstring>
#include <utility>

#include "search/fast/fast_kernels.hpp"
#include "search/fast/fast_step.hpp"

namespace {

// One side of a merged group: the own head o (word w) with its half's
// previous costs and rows, the candidate head (the half's second head) and
// the other head x.
struct MergeSide {
  const std::int32_t* cost;           // costs of the own half: key (w, v) at w * M + v
  GroupRows rows;                     // rows of the own half, key (w, v)
  int h;                              // slots of the own half; slot 0 is the own head
  const std::uint8_t* const* member;  // block (member, x) per slot 1 .. h-1; null: empty slot
  const std::uint8_t* own_other;      // block (o, x)
  const std::uint8_t* other_cand;     // block (x, candidate head)
  OtherWords words;                   // the words of x the side works for
};

// ---- Sums of the members of previous rows ----

// Clears what a pool kept for the previous own word (even) or side (odd).
void forget(RunPool& r) noexcept {
  for (std::size_t i = 0; i < r.count; ++i) r.at[ix(r.keys[i])] = -1;
  r.count = 0;
}

// The sum of the member rows of places first, first + 2, ... below h of the
// previous row prev (and of `extra`, when given): kept under `key` in the
// pool when there is room.
const std::uint8_t* run_sum(FastStep& st, const MergeSide& s, const std::int16_t* prev, int first,
                            const std::uint8_t* extra, RunPool& r, std::size_t key) noexcept {
  const auto w = ix(st.mw);
  if (const std::int32_t k = r.at[key]; k >= 0) return r.sums.data() + ix(k) * w;
  const std::size_t n = r.count;
  const bool keep = (n + 1) * w <= kMaxRunBytes && table_grow(r.sums, (n + 1) * w, n * w) == 0 &&
                    table_grow(r.keys, n + 1, n) == 0;
  std::uint8_t* sum = keep ? r.sums.data() + n * w : r.scratch.data();
  const auto copy = [&](const std::uint8_t* row) {
    s.words.for_parts(st.mw, [&](int x, int len) { std::memcpy(sum + x, row + x, ix(len)); });
  };
  bool any = extra != nullptr;
  if (any) copy(extra);
  for (int i = first; i < s.h; i += 2) {
    if (s.member[i] == nullptr || prev[i] == st.mw) continue;
    const std::uint8_t* row = st.block_row(s.member[i], prev[i]);
    if (any)
      s.words.for_parts(st.mw, [&](int x, int len) { kernel_add_bytes(sum + x, row + x, len); });
    else
      copy(row);
    any = true;
  }
  if (!any) s.words.for_parts(st.mw, [&](int x, int len) { std::memset(sum + x, 0, ix(len)); });
  if (keep) {
    r.at[key] = static_cast<std::int32_t>(n);
    r.keys[n] = static_cast<std::int32_t>(key);
    r.count = n + 1;
  }
  return sum;
}

// Asks the memory for what the candidate v of own word w will read: its
// previous row, and the two run sums that row keys when they were kept
// (a pool spans tens of MiB; a kept sum is mostly far from the cache).
void prefetch_runs(FastStep& st, const MergeSide& s, int w, int v) noexcept {
  const RunSums& runs = st.f.runs;
  const auto mw = ix(st.mw);
  const std::int32_t found[2] = {runs.even.at[ix(s.rows.word(w, v, 2))],
                                 runs.odd.at[st.key(v, s.rows.word(w, v, 3))]};
  const std::uint8_t* sums[2] = {runs.even.sums.data(), runs.odd.sums.data()};
  for (int k = 0; k < 2; ++k) {
    if (found[k] < 0) continue;
    const std::uint8_t* p = sums[k] + ix(found[k]) * mw;
    for (std::size_t at = 0; at < mw; at += 64) __builtin_prefetch(p + at);
  }
}

// Pushes, for the own word w, every (other word, candidate) pair admissible:
//   other no word:         the candidate's previous key has a cost;
//   previous cost not 0:   the member average (with the heads' proximity when
//                          the own head has a word) reaches T;
//   previous cost 0:       own no word: the candidate is within T of the
//                          other word; else the heads are within T and the
//                          candidate is no word or within T of the other word.
void merge_side(FastStep& st, const MergeSide& s, int w, Buckets& out) noexcept {
  const int mw = st.mw, T = st.T;
  const std::int32_t* C = s.cost + st.key(w, 0);
  const bool own = w != mw;
  const std::uint8_t* cab = own ? st.block_row(s.own_other, w) : nullptr;
  std::int16_t* acc = st.f.acc.data();

  // Candidates whose previous key has a cost, the greatest cost first, so
  // that every list comes out in that order (the pick stops early on it).
  std::int16_t* hits = st.f.hits.data();
  std::int16_t* order = st.f.near_own.data();
  // Sorted as single numbers, the cost's complement above the word.
  std::uint64_t* by_cost = st.f.by_cost.data();
  int costly = 0;
  for (int v = 0; v <= mw; ++v)
    if (C[v] != 0)
      by_cost[costly++] = (std::uint64_t{0xffffffffu - static_cast<std::uint32_t>(C[v])} << 16) |
                          static_cast<std::uint64_t>(v);
  std::sort(by_cost, by_cost + costly);
  for (int j = 0; j < costly; ++j) order[j] = static_cast<std::int16_t>(by_cost[j] & 0xffff);
  MergeCounts& counts = st.f.counts;
  ++counts.own_words;
  counts.costly += static_cast<std::uint64_t>(costly);
  const std::uint8_t* rows[kMaxSeqs];
  std::int16_t scratch[kMaxSlots];  // a previous row taken from its mirror
  RunSums& runs = st.f.runs;
  forget(runs.even);
  // Asked for ahead, each stage reading what the one before asked for: a
  // candidate's previous row, the place of the odd run it keys (the places
  // span M x M entries, far from the cache with both strands), its sums.
  constexpr int kAhead = 3;
  for (int j = 0; j < costly; ++j) {
    const int v = order[j];
    if (j + 3 * kAhead < costly)
      __builtin_prefetch(s.rows.rows + s.rows.likely_key(w, order[j + 3 * kAhead]) * ix(s.h));
    if (j + 2 * kAhead < costly) {
      const int u = order[j + 2 * kAhead];
      __builtin_prefetch(st.f.runs.odd.at.data() + st.key(u, s.rows.word(w, u, 3)));
    }
    if (j + kAhead < costly) prefetch_runs(st, s, w, order[j + kAhead]);
    out.push(mw, v);
    const std::int16_t* prev = s.rows.row(w, v, scratch);
    // The member average reaches T where the sum of the member rows (and of
    // the heads' row) reaches T times their count.
    int k = own ? 1 : 0;
    for (int i = 1; i < s.h; ++i) k += s.member[i] != nullptr && prev[i] != mw;
    if (k == 0) continue;  // no term: not admissible
    const int need = st.times_threshold(k);
    ++counts.tests;
    int count;
    if (need <= 255) {
      // Sums held to a byte decide alike. The members of a previous row are
      // two runs: the even places come from its first head's group, keyed
      // (w, prev[2]), the odd places from its second head's, keyed (v,
      // prev[3]); each run's sum (the even one with the heads' row) is made
      // once and kept.
      const std::uint8_t* even = run_sum(st, s, prev, 2, cab, runs.even, ix(prev[2]));
      const std::uint8_t* odd = run_sum(st, s, prev, 1, nullptr, runs.odd, st.key(v, prev[3]));
      if (!out.reserve(ix(mw))) return;
      s.words.for_parts(mw, [&](int x, int n) {
        std::int16_t* at = out.next_x();
        const int got = kernel_sum3_at_least(nullptr, even + x, odd + x, n, need, at);
        counts.words += static_cast<std::uint64_t>(n);
        counts.admissible += static_cast<std::uint64_t>(got);
        if (x != 0)
          for (int i = 0; i < got; ++i) at[i] = static_cast<std::int16_t>(at[i] + x);
        out.push_xs(got, v);
      });
      continue;
    } else {
      k = 0;
      if (own) rows[k++] = cab;
      for (int i = 1; i < s.h; ++i)
        if (s.member[i] != nullptr && prev[i] != mw) rows[k++] = st.block_row(s.member[i], prev[i]);
      kernel_set(acc, rows[0], mw);
      for (int i = 1; i < k; ++i) kernel_add(acc, rows[i], mw);
      count = kernel_at_least(acc, mw, need, hits);
      counts.words += static_cast<std::uint64_t>(mw);
      counts.admissible += static_cast<std::uint64_t>(count);
    }
    for (int i = 0; i < count; ++i) out.push(hits[i], v);
  }

  // Candidates whose previous key has no cost, by the other word: every
  // other word when the own head has no word, else those within T of it;
  // with each, the candidate words within T of it (row x of the block, kept
  // where the candidate has no cost).
  std::uint8_t* free = st.f.free_cand.data();
  for (int v = 0; v < mw; ++v) free[v] = C[v] == 0 ? 1 : 0;
  const bool alone = C[mw] == 0 && (own || T <= 0);
  const int others = own ? kernel_bytes_at_least(cab, mw, T, hits) : mw;
  for (int i = 0; i < others; ++i) {
    const int x = own ? hits[i] : i;
    if (s.words.left_out(x)) continue;
    if (alone) out.push(x, mw);
    if (!out.reserve(ix(mw))) return;
    out.push_vs(x, kernel_bytes_at_least_kept(st.block_row(s.other_cand, x), free, mw, T, out.next_v()));
  }
}

// Fetches the member blocks (sequence of slot i, x) of the half whose slots
// of level z are half[0 .. h) (member[i] for i = 1 .. h-1, null for an empty
// slot) and the `more` blocks given.
Status fetch_side(FastSearch& f, const std::int16_t* half, int h, int x, const int* mx, const int* my,
                  int more, const std::uint8_t** member, const std::uint8_t** extra) noexcept {
  int px[kMaxFetch], py[kMaxFetch], where[kMaxFetch];
  const std::uint8_t* got[kMaxFetch];
  int count = 0;
  for (int i = 1; i < h; ++i) {
    where[i] = -1;
    if (half[i] < 0) continue;
    where[i] = count;
    px[count] = half[i];
    py[count++] = x;
  }
  for (int k = 0; k < more; ++k) {
    px[count] = mx[k];
    py[count++] = my[k];
  }
  if (fetch_blocks(f.blocks, px, py, count, got) != 0) return ERMEM;
  for (int i = 1; i < h; ++i) member[i] = where[i] < 0 ? nullptr : got[where[i]];
  for (int k = 0; k < more; ++k) extra[k] = got[count - more + k];
  return 0;
}

// The row of key (x, y) of group gp of the previous step (h slots); scratch
// holds it when it is taken from its mirror key's.
const std::int16_t* prev_row(FastStep& st, int gp, int h, int x, int y, std::int16_t* scratch) noexcept {
  const FastSearch& f = st.f;
  if (f.flagged_prev && f.zero_prev[ix(gp) * st.keys + st.key(x, y)] != 0)
    return f.zero_rows_prev.data() + ix(gp) * ix(h);
  return st.prev_rows(gp, h).row(x, y, scratch);
}

// The rows of both halves that key (wa, wb) of group g chooses (second heads
// va and ub) joined: the heads, the second heads, then the members of each
// half alternately, into row (2h slots).
void join_rows(FastStep& st, int g, int h, int wa, int wb, int va, int ub, std::int16_t* row) noexcept {
  std::int16_t scratch[2][kMaxSlots];
  row[0] = static_cast<std::int16_t>(wa);
  row[1] = static_cast<std::int16_t>(wb);
  row[2] = static_cast<std::int16_t>(va);
  row[3] = static_cast<std::int16_t>(ub);
  kernel_interleave(row + 4, prev_row(st, 2 * g, h, wa, va, scratch[0]) + 2,
                    prev_row(st, 2 * g + 1, h, wb, ub, scratch[1]) + 2, h - 2);
}

// Writes the cost of key (wa, wb) of group g and its row (join_rows). A zero
// key is flagged instead: its row is the group's zero row.
void write_merge(FastStep& st, int g, int h, int wa, int wb, const MergeOut& o) noexcept {
  FastSearch& f = st.f;
  const std::size_t at = ix(g) * st.keys + st.key(wa, wb);
  f.cost[at] = o.zero ? 0 : o.cost;
  f.zero[at] = o.zero ? 1 : 0;
  if (!o.zero) join_rows(st, g, h, wa, wb, o.va, o.ub, st.row(g, 2 * h, wa, wb));
}

// The row of the zero keys of group g: no words for the four heads, the
// members of the two halves' (mw, mw) rows.
void write_zero_row(FastStep& st, int g, int h) noexcept {
  const int mw = st.mw;
  join_rows(st, g, h, mw, mw, mw, mw, st.f.zero_rows.data() + ix(g) * ix(2 * h));
}

// True when the row of key (x, y) of group gp of the previous step (h
// slots) is its mirror key's read on the other strand (both strands). Of two
// mirror keys, the one taken from the other (d) is read so unless its row
// was written; both flagged zero have the group's zero row, and a key that
// is its own mirror has its own row: these rows are looked at.
bool mirrored_exactly(FastStep& st, int gp, int h, int x, int y) noexcept {
  const StrandMirror& m = *st.e.mirror;
  const GroupRows rows = st.prev_rows(gp, h);
  const std::size_t k = rows.key(x, y), mk = m.key_of(rows.seq[0], x, rows.seq[1], y, st.M);
  const std::uint8_t flag = mk == k || rows.written == nullptr ? 0 : rows.written[mk < k ? k : mk];
  if (flag == FastSearch::kRowWritten) return false;
  if (flag == FastSearch::kZeroTaken || mk == k) {
    std::int16_t scratch[kMaxSlots];
    const std::int16_t* row = prev_row(st, gp, h, x, y, scratch);
    for (int i = 0; i < h; ++i)
      if (m.of(rows.seq[i], row[i]) != row[i]) return false;
  }
  return true;
}

// Key (wa, wb) of group g takes the choice of its mirror key, written before
// it: the same cost and flag, the mirrored words of the second heads, whose
// previous rows make its row as for any key. That row is its mirror key's
// read on the other strand when both previous rows are their mirror keys'
// so read: then it is not written (GroupRows); else it is, and flagged.
void mirror_merge(FastStep& st, int g, int h, int wa, int wb) noexcept {
  FastSearch& f = st.f;
  const int c = 2 * h;
  st.take_mirror(g, c, wa, wb, true);
  const std::size_t at = ix(g) * st.keys + st.key(wa, wb);
  f.written[at] = f.zero[at] != 0 ? FastSearch::kZeroTaken : 0;
  if (f.zero[at] != 0) return;
  const StrandMirror& m = *st.e.mirror;
  const std::int16_t* seq = st.seq(g, c);
  const std::int16_t* r = st.row(g, c, m.of(seq[0], wa), m.of(seq[1], wb));
  const int va = m.of(seq[2], r[2]), ub = m.of(seq[3], r[3]);
  if (mirrored_exactly(st, 2 * g, h, wa, va) && mirrored_exactly(st, 2 * g + 1, h, wb, ub)) return;
  f.written[at] = FastSearch::kRowWritten;
  join_rows(st, g, h, wa, wb, va, ub, st.row(g, c, wa, wb));
}

// How many keys ahead the pick's first proximities are asked for.
constexpr int kPickAhead = 3;

Status merge_group(FastStep& st, const std::int16_t* lv, int g, int c, int h) noexcept {
  FastSearch& f = st.f;
  const int mw = st.mw, T = st.T;
  const int base = g * c;
  const int a = lv[base], a2 = lv[base + 1], b = lv[base + h], b2 = lv[base + h + 1];
  const std::int32_t* C0 = f.cost_prev.data() + ix(2 * g) * st.keys;
  const std::int32_t* C1 = f.cost_prev.data() + ix(2 * g + 1) * st.keys;
  const GroupRows R0 = st.prev_rows(2 * g, h), R1 = st.prev_rows(2 * g + 1, h);
  const std::uint8_t* member[kMaxFetch];
  write_zero_row(st, g, h);
  const std::uint8_t* blk[4];

  // Lists of b2 for every key, from the side of b.
  {
    const int mx[2] = {b, a}, my[2] = {a, b2};  // (b, a) and (a, b2)
    if (fetch_side(f, lv + base + h, h, a, mx, my, 2, member, blk) != 0) return ERMEM;
    // Both strands: a word of a after its mirror (in the middle of its
    // words) keys only mirrored keys, whose lists are never read.
    const MergeSide side{C1, R1, h, member, blk[0], blk[1], other_words(st, a)};
    f.lists.used = 0;
    forget(f.runs.odd);
    for (int wb = 0; wb <= mw; ++wb) {
      f.buckets.clear();
      merge_side(st, side, wb, f.buckets);
      if (f.buckets.status != 0 || gather_lists(f.lists, wb, f.buckets, st.M) != 0) return ERMEM;
    }
    if (sort_lists(f.lists, st.M, C1) != 0) return ERMEM;
  }

  // Lists of a2, one word of a at a time, and the choice of every key.
  const int mx[4] = {a, b, a, a2}, my[4] = {b, a2, b2, b2};  // (a, b) (b, a2) (a, b2) (a2, b2)
  if (fetch_side(f, lv + base, h, b, mx, my, 4, member, blk) != 0) return ERMEM;
  const std::uint8_t *AB = blk[0], *AB2 = blk[2], *P = blk[3];
  row_maxima(P, mw, f.rowmax.data());
  const int rowmax_top = mw == 0 ? 0 : *std::max_element(f.rowmax.data(), f.rowmax.data() + mw);
  row_maxima(blk[1], mw, f.rowmax2.data());  // greatest p(b:wb, a2:v) of every wb
  std::uint8_t* pa_top = f.rowmax3.data();
  row_maxima(AB2, mw, pa_top);  // greatest p(a:wa, b2:u) of every wa
  // The proximities of a2's candidates to b's word wb are read from the block
  // (b, a2) (the transpose of (a2, b)), a row per key, and the costs of b2's
  // candidates beside the lists.
  const std::uint8_t* BA2 = blk[1];
  const MergeSide side{C0, R0, h, member, AB, BA2, OtherWords{mw, mw}};
  MergeOut* out = f.choices.data();
  forget(f.runs.odd);
  const StrandMirror* mirror = st.e.mirror;
  for (int wa = 0; wa <= mw; ++wa) {
    // Both strands: a word of a after its mirror takes every cost (and
    // flag) from there; the keys of a word that is its own mirror, from the
    // words of b before their mirrors. Their rows are not written.
    const bool mirrored = mirror != nullptr && mirror->of(a, wa) < wa;
    if (mirrored) {
      for (int wb = 0; wb <= mw; ++wb) mirror_merge(st, g, h, wa, wb);
      continue;
    }
    f.buckets.clear();
    merge_side(st, side, wa, f.buckets);
    if (sort_buckets(f.buckets, st.M) != 0) return ERMEM;
    for (int wb = 0; wb <= mw; ++wb) {
      if (mirror != nullptr && mirror->derived(a, wa, b, wb)) {
        out[wb] = MergeOut{0, mw, mw, true};  // taken when the rows are written
        continue;
      }
      const int cab = st.at(AB, wa, wb);
      const int na = f.buckets.size(wb);
      const std::int16_t* la = f.buckets.list(wb);
      const std::size_t kb = st.key(wa, wb);
      const int nb = f.lists.size(kb);
      const std::int16_t* lb = f.lists.list(kb);
      const std::int32_t* kbc = f.lists.costs(kb);
      // The first proximities a later key's pick reads (of its first
      // candidates of a2 to b's word), asked for ahead.
      if (const int ahead = wb + kPickAhead; ahead < mw) {
        const std::int16_t* la2 = f.buckets.list(ahead);
        for (int k = 0, n = std::min(f.buckets.size(ahead), 4); k < n; ++k)
          __builtin_prefetch(st.block_row(BA2, ahead) + la2[k]);
      }
      // The partial scores: a candidate's previous cost and its proximity to
      // the other first head (p(b:wb, a2:v), p(a:wa, b2:u)).
      const std::int32_t* a_cost = C0 + st.key(wa, 0);
      const std::uint8_t* a_add = wb == mw ? nullptr : st.block_row(BA2, wb);
      const std::uint8_t* b_add = wa == mw ? nullptr : st.block_row(AB2, wa);
      MergeOut o{0, mw, mw, true};
      if (na > 0 && nb > 0) {
        const OrderedPairs pc{la,
                              a_cost,
                              na,
                              a_add,
                              wb == mw ? 0 : int{f.rowmax2[ix(wb)]},
                              lb,
                              kbc,
                              nb,
                              b_add,
                              wa == mw ? 0 : int{pa_top[wa]},
                              P,
                              f.rowmax.data(),
                              rowmax_top,
                              mw,
                              cab,
                              f.sa.data(),
                              f.sb.data()};
        const Best pk = pick_ordered(pc, f.pick, st.e.coin);
        if (pk.value > 0) o = {pk.value, pk.first, pk.second, false};
      } else if (na > 0) {
        for (int k = 0; k < na; ++k) f.sa[ix(k)] = a_cost[la[k]] + st.at(BA2, wb, la[k]);
        const Best pk = pick_single(la, f.sa.data(), na, f.pick, st.e.coin);
        if (pk.value > 0) o = {pk.value + cab, pk.first, mw, false};
      } else if (nb > 0) {
        for (int k = 0; k < nb; ++k) f.sb[ix(k)] = kbc[k] + st.at(AB2, wa, lb[k]);
        const Best pk = pick_single(lb, f.sb.data(), nb, f.pick, st.e.coin);
        if (pk.value > 0) o = {pk.value + cab, mw, pk.first, false};
      } else if (cab >= T) {
        o = {cab, mw, mw, false};
      }
      out[wb] = o;
    }
    // The rows, their second halves asked for a few keys ahead.
    constexpr int kAhead = 8;
    const auto hh = ix(h);
    for (int wb = 0; wb <= mw; ++wb) {
      if (wb + kAhead <= mw && !out[wb + kAhead].zero)
        __builtin_prefetch(R1.rows + R1.likely_key(wb + kAhead, out[wb + kAhead].ub) * hh);
      if (mirror != nullptr && mirror->derived(a, wa, b, wb))
        mirror_merge(st, g, h, wa, wb);
      else
        write_merge(st, g, h, wa, wb, out[wb]);
    }
  }
  return 0;
}

}  // namespace

Status fast_merge(GTree& t, FastSearch& f, int z, const SearchEnv& e) noexcept {
  FastStep st(t, f, e);
  const int K = 1 << (z - 1), c = st.nn / K, h = c / 2;
  std::swap(f.rows, f.rows_prev);
  std::swap(f.cost, f.cost_prev);  // all keep their room from step to step
  std::swap(f.zero, f.zero_prev);
  std::swap(f.zero_rows, f.zero_rows_prev);
  std::swap(f.row_seq, f.row_seq_prev);
  std::swap(f.written, f.written_prev);
  f.flagged_prev = f.flagged;
  f.flagged = true;
  std::size_t entries = 0;
  if (!mul_size(st.keys, ix(K), entries) || table_grow(f.cost, entries, 0) != 0 ||
      table_grow(f.zero, entries, 0) != 0 || table_grow(f.written, entries, 0) != 0 ||
      table_grow(f.zero_rows, ix(st.nn), 0) != 0)
    return ERMEM;
  const std::int16_t* lv = t.level[ix(z)].data();
  for (int g = 0; g < K; ++g) {  // a row holds the slots of both halves' rows alternately
    const std::int16_t* from[2] = {st.prev_seq(2 * g, h), st.prev_seq(2 * g + 1, h)};
    std::int16_t* seq = st.seq(g, c);
    for (int i = 0; i < c; ++i) seq[i] = from[i % 2][i / 2];
  }
  KeptStep* kept = z == st.e.dp->logn - 2 ? kept_step(st, c, true) : nullptr;
  for (int g = 0; g < K; ++g) {
    if (lv[g * c + 1] < 0 || lv[g * c + h + 1] < 0) return ERINT;
    if (reuse_group(st, kept, lv + g * c, g, c)) continue;
    if (Status s = merge_group(st, lv, g, c, h); s != 0) return s;
    keep_group(st, kept, lv + g * c, g, c);
  }
  return 0;
}
