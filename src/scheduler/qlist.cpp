// qlist.cpp: Q-list generation and the rejection of recurrent permutations.
#include "qlist.hpp"

#include <algorithm>
#include <cstring>

namespace {

bool same(const std::int16_t* a, const std::int16_t* b, int n) noexcept {
  return std::memcmp(a, b, ix(n) * sizeof(std::int16_t)) == 0;
}

void free_slot(std::int16_t* slot) noexcept { slot[0] = -1; }

// Sixteen coin flips make one tie key.
int draw_tie(const Coin& coin) noexcept {
  int key = 0;
  for (int b = 0; b < 16; ++b) key = key << 1 | (coin.odd() ? 1 : 0);
  return key;
}

}  // namespace

bool compare_support(const SupportEntry& a, const SupportEntry& b) noexcept {
  if (a.support != b.support) return a.support > b.support;
  if (a.tie != b.tie) return a.tie < b.tie;
  return a.seq < b.seq;
}

bool is_recurrent(RootPortion& rp, int o, int k) noexcept {
  TaskState& ts = rp.ts;
  const int n = ts.n;
  const std::int16_t* cand = ts.slot(o, k);
  bool found = false;
  for (int t = 1; t < ts.tasks && !found; ++t)
    for (int j = 0; j < rp.V && !found; ++j)
      if (!(t == o && j == k) && ts.pending(t, j) && same(ts.slot(t, j), cand, n)) found = true;
  for (const PermRecord* r = rp.records.first.get(); r && !found; r = r->next.get())
    if (same(r->perm.data(), cand, n)) found = true;
  if (found) ++rp.recurrent;
  return found;
}

int generate_qlist(RootPortion& rp, int o, Aggregation aggregation, const Coin& coin) noexcept {
  TaskState& ts = rp.ts;
  const int n = ts.n, mw = ts.mw, V = rp.V;

  // Supports, sorted by falling support.
  SupportEntry entries[kSlotLen];
  for (int s = 0; s < n; ++s) {
    const int* row = ts.scores(o, s);
    long long support = 0;
    for (int w = 0; w < mw; ++w) {
      if (aggregation == Aggregation::kMax)
        support = std::max<long long>(support, row[w]);
      else
        support += row[w];
    }
    entries[s] = {s, support, draw_tie(coin)};
  }
  std::sort(entries, entries + n, compare_support);

  // The base permutation, in the first free slot (or the spare slot).
  int b = 0;
  while (b < V && ts.pending(o, b)) ++b;
  std::int16_t* base = ts.slot(o, b);
  for (int i = 0; i < kSlotLen; ++i) base[i] = i < n ? static_cast<std::int16_t>(entries[i].seq) : -1;
  int count = 1;

  // Variants: each pair of neighbours with equal support swapped.
  int next = b + 1;
  for (int j = 0; j + 1 < n; ++j) {
    if (entries[j].support != entries[j + 1].support) continue;
    while (next <= V && ts.pending(o, next)) ++next;
    if (next > V) break;
    std::int16_t* slot = ts.slot(o, next);
    std::memcpy(slot, base, kSlotLen * sizeof(std::int16_t));
    std::swap(slot[j], slot[j + 1]);
    if (is_recurrent(rp, o, next)) {
      free_slot(slot);
    } else {
      ++next;
      ++count;
    }
  }

  std::int16_t* spare = ts.slot(o, V);
  if (is_recurrent(rp, o, b)) {
    std::memmove(base, spare, kSlotLen * sizeof(std::int16_t));
    free_slot(spare);
    --count;
  }
  if (ts.pending(o, V)) {
    free_slot(spare);
    --count;
  }
  return count;
}
