// plist.cpp: the root task's per-portion tables and the P-list.
//
// The P-list starts with the identity order and adds orders until every pair
// of sequences has met often enough: each permutation covers, at every step
// s = 1, 2, 4, ... below nn, the pairs (perm[i], perm[i + s]) that the G-tree
// will compare, with a weight that falls as s grows.
#include "plist.hpp"

#include <climits>
#include <cstring>

int factorial(int k) noexcept {
  if (static_cast<unsigned>(k) > 12u) return -1;
  return k == 0 ? 1 : k * factorial(k - 1);
}

int portion_new_q(int n, int v) noexcept { return n < 5 && v > n ? factorial(n - 1) * n / 2 : v; }

int portion_mincover(const DataPortion& dp, int mincover) noexcept {
  long long cap = 0;
  const long long weight = 2LL * dp.logn - 1, pairs = (dp.n - 1LL) * dp.n;  // logn <= 30
  if (__builtin_mul_overflow(weight, pairs, &cap)) cap = LLONG_MAX;
  const long long cover = mincover != -1 ? mincover : dp.logn;
  return static_cast<int>(cover > cap ? cap : cover);
}

Status alloc_root_portion(RootPortion& rp, int tasks, const DataPortion& dp) noexcept {
  free_root_portion(rp);
  TaskState& ts = rp.ts;
  const auto T = ix(tasks);
  const std::size_t cells = ix(dp.n) * ix(dp.mw);
  ts.tasks = tasks;
  ts.n = dp.n;
  ts.mw = dp.mw;
  if (table_alloc(ts.word_scores, T) != 0 || table_alloc(ts.word_seen, T) != 0 ||
      table_alloc(rp.pairs, ix(dp.pair_count)) != 0)
    return ERMEM;
  for (std::size_t t = 1; t < T; ++t)
    if (table_alloc(ts.word_scores[t], cells) != 0) return ERMEM;
  for (std::size_t t = 0; t < T; ++t)
    if (table_alloc(ts.word_seen[t], cells) != 0) return ERMEM;
  if (table_alloc(ts.busy, T) != 0 || table_alloc(ts.non_improving, T) != 0 ||
      table_alloc(ts.new_count, T) != 0 || table_alloc(ts.best_quality, T) != 0 ||
      table_alloc(ts.current, T) != 0 || table_alloc(ts.last_q, T) != 0 ||
      table_fill(ts.slots, T * kSlots * kSlotLen, std::int16_t{-1}) != 0)
    return ERMEM;
  return 0;
}

void free_root_portion(RootPortion& rp) noexcept {
  rp.records.clear();
  rp.ts = TaskState{};
  rp.pairs.reset();
  rp.serial = -1;
  rp.recurrent = 0;
  rp.plist_end = false;
  rp.stops_sent = false;
}

std::unique_ptr<PermRecord> make_record(const std::int16_t* perm, const DataPortion& dp) noexcept {
  std::unique_ptr<PermRecord> r(new (std::nothrow) PermRecord);
  if (!r || table_alloc(r->perm, ix(dp.n)) != 0) return nullptr;
  std::memcpy(r->perm.data(), perm, ix(dp.n) * sizeof(std::int16_t));
  r->n = dp.n;
  r->nn = dp.nn;
  r->logn = dp.logn;
  return r;
}

namespace {

bool same_perm(const std::int16_t* a, const std::int16_t* b, int n) noexcept {
  return std::memcmp(a, b, ix(n) * sizeof(std::int16_t)) == 0;
}

// Appends perm as the next P record unless the record list holds it already.
Status add_to_plist(RootPortion& rp, const std::int16_t* perm, const DataPortion& dp,
                    int& p_counter) noexcept {
  for (const PermRecord* r = rp.records.first.get(); r; r = r->next.get())
    if (same_perm(r->perm.data(), perm, dp.n)) return 0;  // dropped; its index is reused
  std::unique_ptr<PermRecord> rec = make_record(perm, dp);
  if (!rec) return ERMEM;
  rec->p_index = p_counter++;
  rec->chain_prev = rp.records.plist_last;
  if (rp.records.plist_last) rp.records.plist_last->chain_next = rec.get();
  rp.records.plist_last = rec.get();
  rp.records.append(std::move(rec));
  return 0;
}

}  // namespace

Status build_plist(RootPortion& rp, const DataPortion& dp, const Coin& coin) noexcept {
  const int n = dp.n;
  int* cover = rp.pairs.data();
  std::int16_t perm[kSlotLen];
  bool placed[kSlotLen];
  int p_counter = 0;

  // The identity, weighted 2 logn - 1 at s = 1 and one less at each doubling.
  for (int i = 0; i < n; ++i) perm[i] = static_cast<std::int16_t>(i);
  for (int s = 1, w = 2 * dp.logn - 1; s < dp.nn; s *= 2, --w)
    for (int i = 0; i < s && i + s < n; ++i) cover[pair_index(n, i, i + s)] += w;
  if (Status st = add_to_plist(rp, perm, dp, p_counter); st != 0) return st;

  for (;;) {
    // The least covered pair; equal counters are decided by the coin.
    int best = INT_MAX, a = 0, b = 1;
    for (int u = 0; u + 1 < n; ++u)
      for (int v = u + 1; v < n; ++v) {
        const int c = cover[pair_index(n, u, v)];
        if (c < best || (c == best && coin.odd())) {
          best = c;
          a = u;
          b = v;
        }
      }
    if (best >= rp.mincover) return 0;

    std::memset(placed, 0, sizeof placed);
    perm[0] = static_cast<std::int16_t>(a);
    perm[1] = static_cast<std::int16_t>(b);
    placed[a] = placed[b] = true;
    cover[pair_index(n, a, b)] += 2 * dp.logn - 1;
    for (int s = 2, w = 2 * dp.logn - 1; s < dp.nn; s *= 2, --w)
      for (int i = 0; i < s && i + s < n; ++i) {
        const int x = perm[i];
        int least = INT_MAX, c = -1;
        for (int y = 0; y < n; ++y) {
          if (placed[y]) continue;
          const int k = cover[x < y ? pair_index(n, x, y) : pair_index(n, y, x)];
          if (k < least || (k == least && coin.odd())) {
            least = k;
            c = y;
          }
        }
        perm[i + s] = static_cast<std::int16_t>(c);
        placed[c] = true;
        cover[x < c ? pair_index(n, x, c) : pair_index(n, c, x)] += w;
      }
    if (Status st = add_to_plist(rp, perm, dp, p_counter); st != 0) return st;
  }
}
