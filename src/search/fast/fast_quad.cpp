// fast_quad.cpp: the quad search of the fast search.
//
// Group q holds the heads s0 and s2 and their partners s1 and s3 (either may
// be empty). For each word w0 of s0 the admissible partner words of every
// key (w0, w2) are found at once, as (w2, candidate) pairs; the lists of s3
// are found the same way from the side of s2 (the rules mirror each other)
// and kept for every key. Then each key makes its choice from its lists.
#include <algorithm>

#include "search/fast/fast_kernels.hpp"
#include "search/fast/fast_step.hpp"

namespace {

struct QuadOut {
  int cost;
  int r0, r2, r1, r3;  // words of s0, s2, s1, s3
};

void write_quad(FastStep& st, int q, int Q, int w0, int w2, const QuadOut& o) noexcept {
  st.f.cost[ix(q) * st.keys + st.key(w0, w2)] = o.cost;
  std::int16_t* row = st.row(q, 4, w0, w2);
  row[0] = static_cast<std::int16_t>(o.r0);
  row[1] = static_cast<std::int16_t>(o.r2);
  row[2] = static_cast<std::int16_t>(o.r1);
  row[3] = static_cast<std::int16_t>(o.r3);
  (void)Q;
}

// True when every key of the word w0 of s0 is the mirror of one written
// before: all of them are taken from there (their costs; their rows are read
// from their mirrors' when needed, row_or_mirror).
bool mirror_quads(FastStep& st, int q, int w0) noexcept {
  const StrandMirror* m = st.e.mirror;
  if (m == nullptr || m->of(st.seq(q, 4)[0], w0) >= w0) return false;
  for (int w2 = 0; w2 <= st.mw; ++w2) st.take_mirror(q, 4, w0, w2, false);
  return true;
}

// The blocks of a side: own head o (word w), its partner p (the candidates)
// and the other head x.
struct QuadSide {
  const std::uint8_t* own_cand;    // (o, p)
  const std::uint8_t* own_other;   // (o, x)
  const std::uint8_t* cand_other;  // (p, x)
  const Neighbours* other_cand;    // per word of x, the words of p reaching T
  OtherWords words;                // the words of x worked for
};

// Pushes, for the own word w, every (other word, candidate) pair admissible
// when both partners are present:
//   own no word:   the candidate is a word within T of the other word
//                  (with the other head also without a word: 0 reaches T);
//   other no word: the candidate is a word within T of the own word;
//   no candidate:  own and other words within T;
//   else:          (a >= T and c + b >= 2T) or (c >= T and b >= T),
// a, b, c the proximities own-candidate, other-candidate, own-other.
void quad_side(FastStep& st, const QuadSide& s, int w, Buckets& out) noexcept {
  const int mw = st.mw, T = st.T;
  if (w == mw) {
    for (int x = 0; x < mw; ++x) {
      if (s.words.left_out(x)) continue;
      const std::int16_t* near = s.other_cand->list(x);
      for (int k = 0, len = s.other_cand->size(x); k < len; ++k) out.push(x, near[k]);
    }
    if (T <= 0)
      for (int v = 0; v < mw; ++v) out.push(mw, v);
    return;
  }
  const std::uint8_t* a = st.block_row(s.own_cand, w);
  const std::uint8_t* c = st.block_row(s.own_other, w);
  const int twice = st.times_threshold(2);
  std::int16_t* near_own = st.f.near_own.data();
  std::int16_t* hits = st.f.hits.data();
  for (int i = 0, len = kernel_bytes_at_least(a, mw, T, near_own); i < len; ++i) {
    const int v = near_own[i];
    out.push(mw, v);
    const std::uint8_t* b = st.block_row(s.cand_other, v);
    s.words.for_parts(mw, [&](int from, int n) {
      const int count = kernel_sum_at_least(b + from, c + from, n, twice, hits);
      for (int k = 0; k < count; ++k) out.push(hits[k] + from, v);
    });
  }
  for (int i = 0, len = kernel_bytes_at_least(c, mw, T, near_own); i < len; ++i) {
    const int x = near_own[i];
    if (s.words.left_out(x)) continue;
    out.push(x, mw);
    const std::int16_t* near = s.other_cand->list(x);
    for (int k = 0, count = s.other_cand->size(x); k < count; ++k)
      if (a[near[k]] < T) out.push(x, near[k]);  // the others came with a >= T
  }
}

// No partner: the key's own proximity decides.
Status quad_alone(FastStep& st, int q, int Q, int s0, int s2) noexcept {
  const int mw = st.mw;
  const int x[1] = {s0}, y[1] = {s2};
  const std::uint8_t* c = nullptr;
  if (fetch_blocks(st.f.blocks, x, y, 1, &c) != 0) return ERMEM;
  for (int w0 = 0; w0 <= mw; ++w0)
    for (int w2 = 0; w2 <= mw; ++w2) {
      const int cw = st.at(c, w0, w2);
      write_quad(st, q, Q, w0, w2, cw >= st.T ? QuadOut{cw, w0, w2, mw, mw} : QuadOut{0, mw, mw, mw, mw});
    }
  return 0;
}

// One partner p: a word v of p is admissible for (w0, w2) when
//   w0 no word:  w2 and v are words and b >= T;
//   w2 no word:  v is a word and a >= T;
//   v no word:   c >= T;
//   else:        a + b + c >= 3T,
// with a = p(s0:w0, p:v), b = p(s2:w2, p:v), c = p(s0:w0, s2:w2). The best by
// a + b gives the cost best + c. A sum of three reaching 3T has a term
// reaching T, so the words pairs of the last rule are found as those with
// a >= T, or else c >= T, or else (a, c < T) b >= T + 2.
Status quad_one_partner(FastStep& st, int q, int Q, int s0, int s2, int p, bool p_is_s1) noexcept {
  FastSearch& f = st.f;
  const int mw = st.mw, T = st.T;
  const int x[4] = {s0, p, s0, s2}, y[4] = {p, s2, s2, p};
  const std::uint8_t* blk[4] = {};
  if (fetch_blocks(f.blocks, x, y, 4, blk) != 0) return ERMEM;
  const std::uint8_t *A = blk[0], *B = blk[1], *C = blk[2], *BT = blk[3];
  const int thrice = st.times_threshold(3);
  const long long high = static_cast<long long>(T) + 2;
  if (collect_neighbours(B, mw, high > 256 ? 256 : static_cast<int>(high), f.near) != 0) return ERMEM;
  Buckets& out = f.buckets;
  const StrandMirror* mirror = st.e.mirror;

  for (int w0 = 0; w0 <= mw; ++w0) {
    if (mirror_quads(st, q, w0)) continue;
    out.clear();
    std::int16_t* hits = f.hits.data();
    if (w0 == mw) {
      for (int w2 = 0; w2 < mw; ++w2)
        for (int i = 0, len = kernel_bytes_at_least(st.block_row(BT, w2), mw, T, hits); i < len; ++i)
          out.push(w2, hits[i]);
    } else {
      const std::uint8_t* a = st.block_row(A, w0);
      const std::uint8_t* c = st.block_row(C, w0);
      std::int16_t* near = f.near_own.data();
      const int na = kernel_bytes_at_least(a, mw, T, near);
      for (int i = 0; i < na; ++i) {  // a >= T: w2 no word, and every w2 by a + b + c
        const int v = near[i];
        out.push(mw, v);
        for (int k = 0, len = kernel_sum_at_least(st.block_row(B, v), c, mw, thrice - a[v], hits); k < len;
             ++k)
          out.push(hits[k], v);
      }
      const int nc = kernel_bytes_at_least(c, mw, T, near);
      for (int i = 0; i < nc; ++i) {  // c >= T: v no word, and every v with a < T by a + b + c
        const int w2 = near[i];
        out.push(w2, mw);
        for (int k = 0, len = kernel_sum_at_least(a, st.block_row(BT, w2), mw, thrice - c[w2], hits); k < len;
             ++k)
          if (a[hits[k]] < T) out.push(w2, hits[k]);
      }
      for (int v = 0; v < mw; ++v) {  // a, c < T: b >= T + 2
        if (a[v] >= T) continue;
        const std::int16_t* far = f.near.list(v);
        for (int k = 0, len = f.near.size(v); k < len; ++k) {
          const int w2 = far[k];
          if (c[w2] < T && a[v] + st.at(B, v, w2) + c[w2] >= thrice) out.push(w2, v);
        }
      }
    }
    if (sort_buckets(out, st.M) != 0) return ERMEM;
    for (int w2 = 0; w2 <= mw; ++w2) {
      if (mirror != nullptr && mirror->derived(s0, w0, s2, w2)) {
        st.take_mirror(q, 4, w0, w2, false);
        continue;
      }
      const int count = out.size(w2);
      const std::int16_t* list = out.list(w2);
      if (count == 0) {
        write_quad(st, q, Q, w0, w2, {0, mw, mw, mw, mw});
        continue;
      }
      for (int k = 0; k < count; ++k) f.sa[ix(k)] = st.at(A, w0, list[k]) + st.at(BT, w2, list[k]);
      const Best pk = pick_single(list, f.sa.data(), count, f.pick, st.e.coin);
      const int cost = pk.value + st.at(C, w0, w2);
      write_quad(st, q, Q, w0, w2,
                 p_is_s1 ? QuadOut{cost, w0, w2, pk.first, mw} : QuadOut{cost, w0, w2, mw, pk.first});
    }
  }
  return 0;
}

// Both partners: lists A (words of s1) and B (words of s3) of every key, then
// the best pair, the best of one list, or the key alone.
Status quad_two_partners(FastStep& st, int q, int Q, int s0, int s1, int s2, int s3) noexcept {
  FastSearch& f = st.f;
  const int mw = st.mw, T = st.T;
  // 0 (s0,s1)  1 (s0,s2)  2 (s1,s2)  3 (s2,s1)  4 (s2,s3)  5 (s2,s0)  6 (s3,s0)  7 (s0,s3)  8 (s1,s3)
  const int x[9] = {s0, s0, s1, s2, s2, s2, s3, s0, s1}, y[9] = {s1, s2, s2, s1, s3, s0, s0, s3, s3};
  const std::uint8_t* blk[9] = {};
  if (fetch_blocks(f.blocks, x, y, 9, blk) != 0) return ERMEM;
  const std::uint8_t *A1 = blk[0], *C = blk[1], *B1 = blk[3], *B3 = blk[4], *A3 = blk[7], *P = blk[8];

  // Lists B, for every key, from the side of s2.
  if (collect_neighbours(A3, mw, T, f.near) != 0) return ERMEM;
  // Both strands: the keys of a word of s0 after its mirror are all taken
  // from their mirrors, and their lists are never read.
  const QuadSide side_b{B3, blk[5], blk[6], &f.near, other_words(st, s0)};
  f.lists.used = 0;
  for (int w2 = 0; w2 <= mw; ++w2) {
    f.buckets.clear();
    quad_side(st, side_b, w2, f.buckets);
    if (f.buckets.status != 0 || gather_lists(f.lists, w2, f.buckets, st.M) != 0) return ERMEM;
  }
  if (sort_lists(f.lists, st.M) != 0) return ERMEM;

  // Lists A, one word of s0 at a time, and the choice of every key.
  if (collect_neighbours(B1, mw, T, f.near) != 0) return ERMEM;
  const QuadSide side_a{A1, C, blk[2], &f.near, OtherWords{mw, mw}};
  row_maxima(P, mw, f.rowmax.data());
  const StrandMirror* mirror = st.e.mirror;
  for (int w0 = 0; w0 <= mw; ++w0) {
    if (mirror_quads(st, q, w0)) continue;
    f.buckets.clear();
    quad_side(st, side_a, w0, f.buckets);
    if (sort_buckets(f.buckets, st.M) != 0) return ERMEM;
    for (int w2 = 0; w2 <= mw; ++w2) {
      if (mirror != nullptr && mirror->derived(s0, w0, s2, w2)) {
        st.take_mirror(q, 4, w0, w2, false);
        continue;
      }
      const int c = st.at(C, w0, w2);
      const int na = f.buckets.size(w2);
      const std::int16_t* la = f.buckets.list(w2);
      const std::size_t kb = st.key(w0, w2);
      const int nb = f.lists.size(kb);
      const std::int16_t* lb = f.lists.list(kb);
      for (int k = 0; k < na; ++k) f.sa[ix(k)] = st.at(A1, w0, la[k]) + st.at(B1, w2, la[k]);
      for (int k = 0; k < nb; ++k) f.sb[ix(k)] = st.at(A3, w0, lb[k]) + st.at(B3, w2, lb[k]);
      QuadOut o;
      if (na > 0 && nb > 0) {
        const PairChoice pc{la, f.sa.data(), na, lb, f.sb.data(), nb, P, f.rowmax.data(), mw, c};
        const Best pk = pick_pair(pc, f.pick, st.e.coin);
        o = {pk.value, w0, w2, pk.first, pk.second};
      } else if (na > 0) {
        const Best pk = pick_single(la, f.sa.data(), na, f.pick, st.e.coin);
        o = {pk.value + c, w0, w2, pk.first, mw};
      } else if (nb > 0) {
        const Best pk = pick_single(lb, f.sb.data(), nb, f.pick, st.e.coin);
        o = {pk.value + c, w0, w2, mw, pk.first};
      } else {
        o = c >= T ? QuadOut{c, w0, w2, mw, mw} : QuadOut{0, mw, mw, mw, mw};
      }
      write_quad(st, q, Q, w0, w2, o);
    }
  }
  return 0;
}

}  // namespace

Status fast_quads(GTree& t, FastSearch& f, const SearchEnv& e) noexcept {
  FastStep st(t, f, e);
  const DataPortion& dp = *e.dp;
  const int Q = dp.nn / 4;
  std::size_t entries = 0;
  if (!mul_size(st.keys, ix(Q), entries) || table_grow(f.cost, entries, 0) != 0) return ERMEM;
  if (fast_scratch(f, st.M) != 0) return ERMEM;
  f.flagged = false;  // every quad row is written
  // The rows of every step, kept from permutation to permutation.
  if (!mul_size(st.keys, ix(st.nn), entries) || table_grow(f.rows, entries, 0) != 0 ||
      table_grow(f.rows_prev, entries, 0) != 0 || table_grow(f.row_seq, ix(st.nn), 0) != 0 ||
      table_grow(f.row_seq_prev, ix(st.nn), 0) != 0)
    return ERMEM;

  const Table<std::int16_t>& lv = t.level[ix(dp.logn - 1)];
  for (int q = 0; q < Q; ++q) {  // a quad row holds s0, s2, s1, s3
    std::int16_t* seq = st.seq(q, 4);
    for (int k = 0; k < 4; ++k) seq[k] = lv[ix(4 * q + (k % 2) * 2 + k / 2)];
  }
  KeptStep* kept = kept_step(st, 4, false);
  for (int q = 0; q < Q; ++q) {
    if (reuse_group(st, kept, lv.data() + 4 * q, q, 4)) continue;
    const auto slot = [&](int k) { return static_cast<int>(lv[ix(4 * q + k)]); };
    const int s0 = slot(0), s1 = slot(1), s2 = slot(2), s3 = slot(3);
    Status s;
    if (s1 < 0 && s3 < 0)
      s = quad_alone(st, q, Q, s0, s2);
    else if (s1 < 0 || s3 < 0)
      s = quad_one_partner(st, q, Q, s0, s2, s1 < 0 ? s3 : s1, s1 >= 0);
    else
      s = quad_two_partners(st, q, Q, s0, s1, s2, s3);
    if (s != 0) return s;
    keep_group(st, kept, lv.data() + 4 * q, q, 4);
  }
  return 0;
}
