// qlist.hpp: generating Q-permutations from the supports of a task's chain.
#pragma once

#include "coin.hpp"
#include "settings.hpp"
#include "task_state.hpp"

// A sequence and its support, with the random tie key drawn before sorting.
struct SupportEntry {
  int seq;
  long long support;
  int tie;
};

// The sort order of support entries: higher support first; equal supports by
// their tie keys, then by ascending sequence index (so the order is total).
[[nodiscard]] bool compare_support(const SupportEntry& a, const SupportEntry& b) noexcept;

// True when slot k of task o equals a pending candidate in slots 0..V-1 of
// any task (other than itself) or the permutation of any record; counts it
// in rp.recurrent then.
[[nodiscard]] bool is_recurrent(RootPortion& rp, int o, int k) noexcept;

// Fills free candidate slots of task o with new Q-permutations: the sequences
// by falling support (the base), and the base with each pair of neighbours
// of equal support swapped (the variants); recurrent ones are rejected.
// aggregation: the sum of a sequence's word scores, or their maximum. Returns the number
// of new pending candidates in slots 0..V-1.
[[nodiscard]] int generate_qlist(RootPortion& rp, int o, Aggregation aggregation, const Coin& coin) noexcept;
