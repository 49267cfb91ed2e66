// plist.hpp: the root task's per-portion tables and the P-list.
#pragma once

#include "coin.hpp"
#include "portion.hpp"
#include "status.hpp"
#include "task_state.hpp"

// Allocates the per-portion tables of the root task for `tasks` tasks and the
// data portion dp: word_scores (tasks 1..T-1), word_seen (0..T-1), the pair
// table, the six per-task tables and the candidate slots (all free).
// Returns 0 or ERMEM (what was made stays for free_root_portion).
[[nodiscard]] Status alloc_root_portion(RootPortion& rp, int tasks, const DataPortion& dp) noexcept;

// Releases every record and table of a portion and resets the counters.
void free_root_portion(RootPortion& rp) noexcept;

// Index of the pair (a, b), a < b, in the pair table of n sequences.
[[nodiscard]] inline int pair_index(int n, int a, int b) noexcept {
  return b - a * (a + 1) / 2 - 1 + (n - 1) * a;
}

// Builds the P-list of the portion into the (empty) record list of rp, using
// rp.pairs (zeroed) and rp.mincover. Returns 0 or ERMEM.
[[nodiscard]] Status build_plist(RootPortion& rp, const DataPortion& dp, const Coin& coin) noexcept;

// Makes a new record holding a copy of perm (n entries). Null when memory runs out.
[[nodiscard]] std::unique_ptr<PermRecord> make_record(const std::int16_t* perm,
                                                      const DataPortion& dp) noexcept;

// k! for 0 <= k <= 12; -1 otherwise (the bound is tested on k as unsigned).
[[nodiscard]] int factorial(int k) noexcept;

// V for a portion of n sequences from the -V value: n!/2 when n < 5 and the
// value exceeds n (1, 3 and 12 for n = 2, 3, 4), else the value itself.
[[nodiscard]] int portion_new_q(int n, int v) noexcept;

// mincover for a portion: logn when -Y was not given (mincover -1), else the
// -Y value, held at most at (2 logn - 1)(n - 1) n (computed without overflow
// for any n).
[[nodiscard]] int portion_mincover(const DataPortion& dp, int mincover) noexcept;
