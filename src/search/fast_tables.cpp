// fast_tables.cpp: buckets, key lists, neighbours and picks of the fast search.
#include "fast_tables.hpp"

#include <algorithm>

#include "fast_kernels.hpp"

// ---- Buckets ----

Status Buckets::grow() noexcept {
  const std::size_t need = pushed + 1;
  if (table_grow(raw_x, need, pushed) != 0 || table_grow(raw_v, need, pushed) != 0) {
    status |= ERMEM;
    return ERMEM;
  }
  return 0;
}

Status sort_buckets(Buckets& b, int M) noexcept {
  if (b.status != 0) return b.status;
  const auto m = static_cast<std::size_t>(M);
  if (b.start.n < m + 1 && table_alloc(b.start, m + 1) != 0) return ERMEM;
  if (table_grow(b.cand, b.pushed, 0) != 0) return ERMEM;
  for (std::size_t x = 0; x <= m; ++x) b.start[x] = 0;
  for (std::size_t k = 0; k < b.pushed; ++k) ++b.start[static_cast<std::size_t>(b.raw_x[k]) + 1];
  for (std::size_t x = 0; x < m; ++x) b.start[x + 1] += b.start[x];
  // Place the pairs (stable), using the starts as cursors, then restore them.
  for (std::size_t k = 0; k < b.pushed; ++k) {
    const auto x = static_cast<std::size_t>(b.raw_x[k]);
    b.cand[static_cast<std::size_t>(b.start[x]++)] = b.raw_v[k];
  }
  for (std::size_t x = m; x > 0; --x) b.start[x] = b.start[x - 1];
  b.start[0] = 0;
  // Each list holds ascending runs; put it in order.
  for (int x = 0; x < M; ++x) {
    std::int16_t* l = b.cand.data() + b.start[static_cast<std::size_t>(x)];
    const int len = b.size(x);
    if (!std::is_sorted(l, l + len)) std::sort(l, l + len);
  }
  return 0;
}

// ---- Key lists ----

Status append_lists(KeyLists& k, int own, const Buckets& b, int M) noexcept {
  const auto m = static_cast<std::size_t>(M);
  const std::size_t first = static_cast<std::size_t>(own) * m;
  const auto add = static_cast<std::size_t>(b.start[m]);
  if (k.used + add > kMaxListEntries || table_grow(k.cand, k.used + add, k.used) != 0) return ERMEM;
  for (std::size_t x = 0; x < m; ++x) k.start[first + x] = static_cast<std::int32_t>(k.used) + b.start[x];
  for (std::size_t i = 0; i < add; ++i) k.cand[k.used + i] = b.cand[i];
  k.used += add;
  k.start[first + m] = static_cast<std::int32_t>(k.used);
  return 0;
}

// ---- Neighbours ----

Status collect_neighbours(const std::uint8_t* block, int mw, int T, Neighbours& ret) noexcept {
  const auto w = static_cast<std::size_t>(mw);
  if (ret.start.n < w + 1 && table_alloc(ret.start, w + 1) != 0) return ERMEM;
  ret.used = 0;
  const int t = T < 0 ? 0 : T > 256 ? 256 : T;
  for (std::size_t i = 0; i < w; ++i) {
    ret.start[i] = static_cast<std::int32_t>(ret.used);
    if (t > 255) continue;
    if (table_grow(ret.at, ret.used + w, ret.used) != 0) return ERMEM;
    ret.used += static_cast<std::size_t>(kernel_bytes_at_least(block + i * w, mw, t, ret.at.data() + ret.used));
  }
  ret.start[w] = static_cast<std::int32_t>(ret.used);
  return 0;
}

void row_maxima(const std::uint8_t* block, int mw, std::uint8_t* ret) noexcept {
  const auto w = static_cast<std::size_t>(mw);
  for (std::size_t i = 0; i < w; ++i) {
    const std::uint8_t* row = block + i * w;
    std::uint8_t top = 0;
    for (std::size_t j = 0; j < w; ++j) top = row[j] > top ? row[j] : top;
    ret[i] = top;
  }
}

// ---- Picks ----

Pick pick_single(const std::int16_t* cand, const std::int32_t* score, int count,
                 const Coin& coin) noexcept {
  Pick p;
  for (int k = 0; k < count; ++k)
    if (score[k] > p.value || (score[k] == p.value && coin.odd())) {
      p.value = score[k];
      p.first = cand[k];
    }
  return p;
}

namespace {

int pair_term(const PairChoice& c, int v, int u) noexcept {
  if (v == c.mw || u == c.mw) return 0;
  return c.pair[static_cast<std::size_t>(v) * static_cast<std::size_t>(c.mw) + static_cast<std::size_t>(u)];
}

int row_bound(const PairChoice& c, int v) noexcept { return v == c.mw ? 0 : c.rowmax[v]; }

}  // namespace

Pick pick_pair(const PairChoice& c, PickScratch& s, const Coin& coin) noexcept {
  Pick p;
  if (static_cast<long long>(c.na) * c.nb <= 64) {  // short lists: the scan itself
    for (int i = 0; i < c.na; ++i)
      for (int k = 0; k < c.nb; ++k) {
        const int value = c.sa[i] + c.sb[k] + pair_term(c, c.va[i], c.ub[k]) + c.bias;
        if (value > p.value || (value == p.value && coin.odd())) {
          p.value = value;
          p.first = c.va[i];
          p.second = c.ub[k];
        }
      }
    return p;
  }

  // The best value: both lists from their best partial scores down; a pair
  // is scored only when its bound can beat the best so far.
  std::int32_t* oa = s.order_a.data();
  std::int32_t* ob = s.order_b.data();
  for (int i = 0; i < c.na; ++i) oa[i] = i;
  for (int k = 0; k < c.nb; ++k) ob[k] = k;
  std::sort(oa, oa + c.na, [&](int x, int y) { return c.sa[x] > c.sa[y]; });
  std::sort(ob, ob + c.nb, [&](int x, int y) { return c.sb[x] > c.sb[y]; });
  const int sb_top = c.sb[ob[0]];
  int rm_top = 0;
  for (int i = 0; i < c.na; ++i) rm_top = std::max(rm_top, row_bound(c, c.va[i]));
  int best = -1;
  for (int x = 0; x < c.na; ++x) {
    const int i = oa[x];
    if (c.sa[i] + sb_top + rm_top + c.bias <= best) break;
    const int rm = row_bound(c, c.va[i]);
    const int head = c.sa[i] + rm + c.bias;
    if (head + sb_top <= best) continue;
    for (int y = 0; y < c.nb; ++y) {
      const int k = ob[y];
      if (head + c.sb[k] <= best) break;
      best = std::max(best, c.sa[i] + c.sb[k] + pair_term(c, c.va[i], c.ub[k]) + c.bias);
    }
  }

  // The pairs of that value, in scan order: the first takes the place, each
  // later one is offered to the coin.
  for (int i = 0; i < c.na; ++i) {
    const int head = c.sa[i] + row_bound(c, c.va[i]) + c.bias;
    if (head + sb_top < best) continue;
    for (int k = 0; k < c.nb; ++k) {
      if (head + c.sb[k] < best) continue;
      if (c.sa[i] + c.sb[k] + pair_term(c, c.va[i], c.ub[k]) + c.bias != best) continue;
      if (!p.found() || coin.odd()) {
        p.value = best;
        p.first = c.va[i];
        p.second = c.ub[k];
      }
    }
  }
  return p;
}
