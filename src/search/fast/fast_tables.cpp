// fast_tables.cpp: buckets, key lists, neighbours and picks of the fast search.
#include "search/fast/fast_tables.hpp"

#include <algorithm>

#include "search/fast/fast_kernels.hpp"

// ---- Buckets ----

Status Buckets::grow(std::size_t need) noexcept {
  const Status st = table_grow(raw_x, need, pushed) | table_grow(raw_v, need, pushed);
  room = raw_x.n < raw_v.n ? raw_x.n : raw_v.n;
  status |= st;
  return st;
}

Status sort_buckets(Buckets& b, int M) noexcept {
  if (b.status != 0) return b.status;
  const auto m = ix(M);
  if (b.start.n < m + 1 && table_alloc(b.start, m + 1) != 0) return ERMEM;
  if (table_grow(b.cand, b.pushed, 0) != 0) return ERMEM;
  for (std::size_t x = 0; x <= m; ++x) b.start[x] = 0;
  for (std::size_t k = 0; k < b.pushed; ++k) ++b.start[ix(b.raw_x[k]) + 1];
  for (std::size_t x = 0; x < m; ++x) b.start[x + 1] += b.start[x];
  // Place the pairs (stable), using the starts as cursors, then restore them.
  for (std::size_t k = 0; k < b.pushed; ++k) {
    const auto x = ix(b.raw_x[k]);
    b.cand[ix(b.start[x]++)] = b.raw_v[k];
  }
  for (std::size_t x = m; x > 0; --x) b.start[x] = b.start[x - 1];
  b.start[0] = 0;
  return 0;
}

// ---- Key lists ----

Status gather_lists(KeyLists& k, int own, const Buckets& b, int M) noexcept {
  const auto m = ix(M);
  const std::size_t need = k.used + b.pushed;
  if (need > kMaxListEntries || table_grow(k.raw_cand, need, k.used) != 0 || table_grow(k.place, m, 0) != 0)
    return ERMEM;
  // The size of the list of every key (x, own) at start[x * M + own + 1],
  // the pairs placed x by x (in the order pushed within each x).
  std::int32_t* place = k.place.data();
  for (std::size_t x = 0; x < m; ++x) place[x] = 0;
  for (std::size_t i = 0; i < b.pushed; ++i) ++place[ix(b.raw_x[i])];
  auto at = static_cast<std::int32_t>(k.used);
  const auto w = ix(own);
  for (std::size_t x = 0; x < m; ++x) {
    k.start[x * m + w + 1] = place[x];
    const std::int32_t size = place[x];
    place[x] = at;
    at += size;
  }
  for (std::size_t i = 0; i < b.pushed; ++i) k.raw_cand[ix(place[ix(b.raw_x[i])]++)] = b.raw_v[i];
  k.used = need;
  return 0;
}

Status sort_lists(KeyLists& k, int M, const std::int32_t* own_cost) noexcept {
  const auto m = ix(M);
  const std::size_t keys = m * m;
  if (table_grow(k.cand, k.used, 0) != 0 || (own_cost != nullptr && table_grow(k.cost, k.used, 0) != 0))
    return ERMEM;
  std::int32_t* start = k.start.data();
  start[0] = 0;
  for (std::size_t i = 0; i < keys; ++i) start[i + 1] += start[i];
  // The runs, own word by own word (as gathered), each to its key's place.
  const std::int16_t* from = k.raw_cand.data();
  for (std::size_t w = 0; w < m; ++w) {
    const std::int32_t* row = own_cost == nullptr ? nullptr : own_cost + w * m;
    for (std::size_t key = w; key < keys; key += m) {
      const auto to = ix(start[key]);
      const auto size = ix(start[key + 1] - start[key]);
      std::copy(from, from + size, k.cand.data() + to);
      if (row != nullptr)
        for (std::size_t j = 0; j < size; ++j) k.cost[to + j] = row[from[j]];
      from += size;
    }
  }
  return 0;
}

// ---- Neighbours ----

Status collect_neighbours(const std::uint8_t* block, int mw, int T, Neighbours& ret) noexcept {
  const auto w = ix(mw);
  if (ret.start.n < w + 1 && table_alloc(ret.start, w + 1) != 0) return ERMEM;
  ret.used = 0;
  const int t = T < 0 ? 0 : T > 256 ? 256 : T;
  for (std::size_t i = 0; i < w; ++i) {
    ret.start[i] = static_cast<std::int32_t>(ret.used);
    if (t > 255) continue;
    if (table_grow(ret.at, ret.used + w, ret.used) != 0) return ERMEM;
    ret.used += ix(kernel_bytes_at_least(block + i * w, mw, t, ret.at.data() + ret.used));
  }
  ret.start[w] = static_cast<std::int32_t>(ret.used);
  return 0;
}

void row_maxima(const std::uint8_t* block, int mw, std::uint8_t* ret) noexcept {
  const auto w = ix(mw);
  for (std::size_t i = 0; i < w; ++i) {
    const std::uint8_t* row = block + i * w;
    std::uint8_t top = 0;
    for (std::size_t j = 0; j < w; ++j) top = row[j] > top ? row[j] : top;
    ret[i] = top;
  }
}

// ---- Picks ----

namespace {

int pair_value(const PairChoice& c, int i, int k) noexcept;

// More pairs reach the best value p.value than the ties' room holds (the
// lists are long and the values few). The scan would take the first of them
// and offer each later one to the coin, the last that reads odd keeping the
// place. So with a coin that only reads even the first pair in scan order is
// the choice; otherwise the pairs are walked backwards from the last, each
// but the first offered to the coin, and the first that reads odd is the
// choice (the first pair when none does): the same outcome for the same
// coin readings, with about two readings instead of one for every pair.
void offer_many_ties(const PairChoice& c, PickScratch& s, Best& p, const Coin& coin) noexcept {
  std::int32_t* oa = s.order_a.data();
  std::int32_t* ob = s.order_b.data();
  for (int i = 0; i < c.na; ++i) oa[i] = i;
  for (int k = 0; k < c.nb; ++k) ob[k] = k;
  std::sort(oa, oa + c.na, [&](int x, int y) { return c.va[x] < c.va[y]; });
  std::sort(ob, ob + c.nb, [&](int x, int y) { return c.ub[x] < c.ub[y]; });
  const int best = p.value;
  const bool forward = coin.always_even();
  int pending_i = -1, pending_k = -1;  // the tie met last, not yet known not to be the first
  for (int x = 0; x < c.na; ++x) {
    const int i = oa[forward ? x : c.na - 1 - x];
    for (int y = 0; y < c.nb; ++y) {
      const int k = ob[forward ? y : c.nb - 1 - y];
      if (pair_value(c, i, k) != best) continue;
      if (forward ||
          (pending_i >= 0 && coin.odd())) {  // the first in scan order, or a later tie the coin keeps
        const int wi = forward ? i : pending_i, wk = forward ? k : pending_k;
        p.first = c.va[wi];
        p.second = c.ub[wk];
        return;
      }
      pending_i = i;
      pending_k = k;
    }
  }
  p.first = c.va[pending_i];  // no later tie was kept: the first in scan order
  p.second = c.ub[pending_k];
}

}  // namespace

namespace {

// Offers the candidates of the best value, found at ties[0 .. count), in scan
// order: the first takes the place, each later one is offered to the coin.
// That is all of the scan that shows in its outcome: a candidate below the
// best value is passed by, and one above it would be the best.
void offer_ties(PickTie* ties, int count, Best& p, const Coin& coin) noexcept {
  if (count > 1) std::sort(ties, ties + count);
  for (int j = 0; j < count; ++j)
    if (!p.found() || coin.odd()) {
      p.first = ties[j].v;
      p.second = ties[j].u;
    }
}

}  // namespace

Best pick_single(const std::int16_t* cand, const std::int32_t* score, int count, PickScratch& s,
                 const Coin& coin) noexcept {
  Best p;
  for (int k = 0; k < count; ++k) p.value = std::max(p.value, score[k]);
  PickTie* ties = s.ties.data();  // room for M: every candidate
  int n = 0;
  for (int k = 0; k < count; ++k)
    if (score[k] == p.value) ties[n++] = {cand[k], -1};
  offer_ties(ties, n, p, coin);
  return p;
}

namespace {

int pair_term(const PairChoice& c, int v, int u) noexcept {
  if (v == c.mw || u == c.mw) return 0;
  return c.pair[ix(v) * ix(c.mw) + ix(u)];
}

int row_bound(const PairChoice& c, int v) noexcept { return v == c.mw ? 0 : c.rowmax[v]; }

int pair_value(const PairChoice& c, int i, int k) noexcept {
  return c.sa[i] + c.sb[k] + pair_term(c, c.va[i], c.ub[k]) + c.bias;
}

}  // namespace

namespace {

// The best value met so far and the pairs that reach it, as many as the
// ties' room holds (n counts on beyond it: room + 1 means more).
struct TieKeeper {
  Best p;
  PickTie* ties;
  int room;
  int n = 0;

  // What a pair must reach to count: once the ties of a value fill their
  // room, only a greater value (a pair that can only equal it is passed).
  [[nodiscard]] int floor() const noexcept { return n > room ? p.value + 1 : p.value; }
  void score(int value, int v, int u) noexcept {
    if (value > p.value) {
      p.value = value;
      n = 0;
    }
    if (value == p.value && n <= room) {
      if (n < room) ties[n] = {v, u};
      ++n;
    }
  }
};

}  // namespace

Best pick_pair(const PairChoice& c, PickScratch& s, const Coin& coin) noexcept {
  // The best value. Each row's bound is its partial score and its greatest
  // pair entry; the row of the greatest bound, scored first, sets a best
  // that most rows and pairs cannot beat, and those are never scored.
  std::int32_t* head = s.head.data();
  int sb_top = 0, first = 0;
  for (int k = 0; k < c.nb; ++k) sb_top = std::max(sb_top, c.sb[k]);
  for (int i = 0; i < c.na; ++i) {
    head[i] = c.sa[i] + row_bound(c, c.va[i]) + c.bias;
    if (head[i] > head[first]) first = i;
  }
  TieKeeper t{Best{}, s.ties.data(), static_cast<int>(s.ties.n)};
  if (c.nb > 0) {  // the first row whole, in passes without branches: its values, their greatest, its ties
    std::int32_t* value = s.order_b.data();  // order_b is free until offer_many_ties
    const int base = c.sa[first] + c.bias;
    const int vf = c.va[first];
    if (vf == c.mw) {
      for (int k = 0; k < c.nb; ++k) value[k] = base + c.sb[k];
    } else {
      const std::uint8_t* row = c.pair + ix(vf) * ix(c.mw);
      for (int k = 0; k < c.nb; ++k) {
        const int u = c.ub[k];
        value[k] = base + c.sb[k] + (u == c.mw ? 0 : row[u]);
      }
    }
    int top = value[0];
    for (int k = 1; k < c.nb; ++k) top = std::max(top, value[k]);
    t.p.value = top;
    for (int k = 0; k < c.nb && t.n <= t.room; ++k)
      if (value[k] == top) t.score(top, vf, c.ub[k]);
  }
  for (int i = 0; i < c.na; ++i) {
    if (i == first || head[i] + sb_top < t.floor()) continue;
    for (int k = 0; k < c.nb; ++k)
      if (head[i] + c.sb[k] >= t.floor()) t.score(pair_value(c, i, k), c.va[i], c.ub[k]);
  }
  if (t.n <= t.room) {
    offer_ties(t.ties, t.n, t.p, coin);
    return t.p;
  }
  offer_many_ties(c, s, t.p, coin);
  return t.p;
}

Best pick_ordered(const OrderedPairs& c, PickScratch& s, const Coin& coin) noexcept {
  const auto add = [&c](const std::uint8_t* row, int w) {
    return row == nullptr || w == c.mw ? 0 : int{row[w]};
  };
  // List B's partial scores are made as far as the rows reach into it; the
  // rest are bounded by their order.
  int b_made = 0, b_top = 0;
  const auto sb = [&](int k) {
    for (; b_made <= k; ++b_made) {
      c.sb[b_made] = c.kb[b_made] + add(c.b_add, c.ub[b_made]);
      b_top = std::max(b_top, c.sb[b_made]);
    }
    return c.sb[k];
  };
  const auto sb_bound = [&] { return b_made < c.nb ? std::max(b_top, c.kb[b_made] + c.b_slack) : b_top; };
  // Every value is at least 0, so from the best value of -1 nothing is
  // passed until a pair is scored.
  TieKeeper t{Best{}, s.ties.data(), static_cast<int>(s.ties.n)};
  for (int i = 0; i < c.na; ++i) {
    const int v = c.va[i];
    const int ka = c.a_cost[v];
    // No row from i on can reach the floor: their costs are at most ka.
    if (ka + c.a_slack + c.rowmax_top + c.bias + sb_bound() < t.floor()) break;
    c.sa[i] = ka + add(c.a_add, v);
    const int head = c.sa[i] + (v == c.mw ? 0 : int{c.rowmax[v]}) + c.bias;
    if (head + sb_bound() < t.floor()) continue;
    const std::uint8_t* row = v == c.mw ? nullptr : c.pair + ix(v) * ix(c.mw);
    for (int k = 0; k < c.nb; ++k) {
      if (head + c.kb[k] + c.b_slack < t.floor()) break;  // nor any pair of this row beyond k
      const int b = sb(k);
      if (head + b >= t.floor()) t.score(c.sa[i] + b + add(row, c.ub[k]) + c.bias, v, c.ub[k]);
    }
  }
  if (t.n <= t.room) {
    offer_ties(t.ties, t.n, t.p, coin);
    return t.p;
  }
  // More ties than room (rare): every partial score, and the pairs in scan order.
  for (int i = 0; i < c.na; ++i) c.sa[i] = c.a_cost[c.va[i]] + add(c.a_add, c.va[i]);
  sb(c.nb - 1);
  const PairChoice all{c.va, c.sa, c.na, c.ub, c.sb, c.nb, c.pair, c.rowmax, c.mw, c.bias};
  offer_many_ties(all, s, t.p, coin);
  return t.p;
}
