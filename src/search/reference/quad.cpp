// quad.cpp: the first search step, on groups of four at the deepest level.
//
// Group q holds the slots 4q .. 4q+3 of level logn-1: the heads s0 and s2
// (never empty) and their partners s1 and s3 (either may be empty). For every
// key (w0, w2) of words of the heads the step finds the best words of the
// partners, by the admissibility rules below, and records the cost (the sum
// of the proximities among the group's four words) and the row.
#include "reference.hpp"
#include "search/tree/best.hpp"

namespace {

struct Quad {
  int s0, s1, s2, s3;  // sequences of the group (s1, s3 may be -1)
};

struct QuadOutcome {
  int cost;
  int r0, r2, r1, r3;  // words of s0, s2, s1, s3
};

// Case 2: exactly one partner x present.
QuadOutcome one_partner(const SearchEnv& e, const Quad& g, int x, bool x_is_s1, int w0, int w2,
                        int c) noexcept {
  const int mw = e.dp->mw, T = e.dp->derived.threshold;
  Best best;
  for (int v = 0; v <= mw; ++v) {
    const int a = e.p(g.s0, w0, x, v), b = e.p(g.s2, w2, x, v);
    bool ok;
    if (w0 == mw)
      ok = w2 != mw && v != mw && b >= T;
    else if (w2 == mw)
      ok = v != mw && a >= T;
    else if (v == mw)
      ok = c >= T;
    else
      ok = (a + b + c) / 3 >= T;
    if (ok) best.offer(a + b, v, -1, e.coin);
  }
  if (!best.found()) return {0, mw, mw, mw, mw};
  return x_is_s1 ? QuadOutcome{best.value + c, w0, w2, best.first, mw}
                 : QuadOutcome{best.value + c, w0, w2, mw, best.first};
}

// Case 3: both partners present.
QuadOutcome two_partners(const SearchEnv& e, GTree& t, const Quad& g, int w0, int w2, int c) noexcept {
  const int mw = e.dp->mw, T = e.dp->derived.threshold;
  int na = 0, nb = 0;
  for (int v = 0; v <= mw; ++v) {
    const int a1 = e.p(g.s0, w0, g.s1, v), b1 = e.p(g.s2, w2, g.s1, v);
    bool ok;
    if (w0 == mw && w2 != mw)
      ok = v != mw && b1 >= T;
    else if (w2 == mw)
      ok = v != mw && a1 >= T;
    else if (v == mw)
      ok = c >= T;
    else
      ok = (a1 >= T && (c + b1) / 2 >= T) || (c >= T && b1 >= T);
    if (ok) t.cand_a[ix(na++)] = static_cast<std::int16_t>(v);
  }
  for (int u = 0; u <= mw; ++u) {
    const int a3 = e.p(g.s0, w0, g.s3, u), b3 = e.p(g.s2, w2, g.s3, u);
    bool ok;
    if (w0 == mw)
      ok = u != mw && b3 >= T;
    else if (w2 == mw)
      ok = u != mw && a3 >= T;
    else if (u == mw)
      ok = c >= T;
    else
      ok = (b3 >= T && (a3 + c) / 2 >= T) || (c >= T && a3 >= T);
    if (ok) t.cand_b[ix(nb++)] = static_cast<std::int16_t>(u);
  }

  Best best;
  if (na > 0 && nb > 0) {
    for (int i = 0; i < na; ++i) {
      const int v = t.cand_a[ix(i)];
      const int ab1 = e.p(g.s0, w0, g.s1, v) + e.p(g.s2, w2, g.s1, v);
      for (int k = 0; k < nb; ++k) {
        const int u = t.cand_b[ix(k)];
        const int total = c + ab1 + e.p(g.s0, w0, g.s3, u) + e.p(g.s2, w2, g.s3, u) + e.p(g.s1, v, g.s3, u);
        best.offer(total, v, u, e.coin);
      }
    }
    return {best.value, w0, w2, best.first, best.second};
  }
  if (na > 0) {
    for (int i = 0; i < na; ++i) {
      const int v = t.cand_a[ix(i)];
      best.offer(e.p(g.s0, w0, g.s1, v) + e.p(g.s2, w2, g.s1, v), v, -1, e.coin);
    }
    return {best.value + c, w0, w2, best.first, mw};
  }
  if (nb > 0) {
    for (int k = 0; k < nb; ++k) {
      const int u = t.cand_b[ix(k)];
      best.offer(e.p(g.s0, w0, g.s3, u) + e.p(g.s2, w2, g.s3, u), u, -1, e.coin);
    }
    return {best.value + c, w0, w2, mw, best.first};
  }
  if (c >= T) return {c, w0, w2, mw, mw};
  return {0, mw, mw, mw, mw};
}

// The outcome of a key whose mirror key (worked out before it) is `from`:
// the same cost, every word of the row mirrored.
QuadOutcome mirrored_quad(const StrandMirror& m, const GTree& t, const Quad& g, std::size_t from, int q,
                          int Q, int nn) noexcept {
  const std::int16_t* r = t.system.data() + from * ix(nn) + ix(4 * q);
  return {t.cost[from * ix(Q) + ix(q)], m.of(g.s0, r[0]), m.of(g.s2, r[1]), m.of(g.s1, r[2]),
          m.of(g.s3, r[3])};
}

}  // namespace

Status search_quads(GTree& t, const SearchEnv& e) noexcept {
  const DataPortion& dp = *e.dp;
  const int mw = dp.mw, M = dp.M(), nn = dp.nn, Q = nn / 4, T = e.dp->derived.threshold;
  std::size_t keys = 0, entries = 0;
  if (!mul_size(ix(M), ix(M), keys) || !mul_size(keys, ix(Q), entries)) return ERMEM;
  Table<std::int32_t> cost;
  if (table_fill(cost, entries, std::int32_t{-1}) != 0) return ERMEM;
  t.cost = std::move(cost);
  t.cost_prev.reset();

  const Table<std::int16_t>& lv = t.level[ix(dp.logn - 1)];
  for (int q = 0; q < Q; ++q) {
    const auto at = [&](int k) { return static_cast<int>(lv[ix(4 * q + k)]); };
    const Quad g{at(0), at(1), at(2), at(3)};
    for (int w0 = 0; w0 <= mw; ++w0)
      for (int w2 = 0; w2 <= mw; ++w2) {
        const std::size_t key = ix(w0) * ix(M) + ix(w2);
        QuadOutcome o;
        const int c = e.p(g.s0, w0, g.s2, w2);
        if (e.mirror != nullptr && e.mirror->derived(g.s0, w0, g.s2, w2))
          o = mirrored_quad(*e.mirror, t, g, e.mirror->key_of(g.s0, w0, g.s2, w2, M), q, Q, nn);
        else if (g.s1 < 0 && g.s3 < 0)
          o = c >= T ? QuadOutcome{c, w0, w2, mw, mw} : QuadOutcome{0, mw, mw, mw, mw};
        else if (g.s1 < 0 || g.s3 < 0)
          o = one_partner(e, g, g.s1 < 0 ? g.s3 : g.s1, g.s1 >= 0, w0, w2, c);
        else
          o = two_partners(e, t, g, w0, w2, c);
        t.cost[key * ix(Q) + ix(q)] = o.cost;
        std::int16_t* row = t.system.data() + key * ix(nn) + ix(4 * q);
        row[0] = static_cast<std::int16_t>(o.r0);
        row[1] = static_cast<std::int16_t>(o.r2);
        row[2] = static_cast<std::int16_t>(o.r1);
        row[3] = static_cast<std::int16_t>(o.r3);
      }
  }
  return 0;
}
