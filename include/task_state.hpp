// task_state.hpp: the root task's per-portion tables, indexed by task number,
// and everything else the scheduler keeps for one data portion.
#pragma once

#include <cstdint>

#include "perm_record.hpp"
#include "table.hpp"

inline constexpr int kSlots = 13;     // the largest V (12) plus the spare slot
inline constexpr int kSlotLen = 256;  // entries per slot

struct TaskState {
  int tasks = 0;                  // T, the root included
  int n = 0, mw = 0;              // sizes of the rows of word_scores / word_seen
  Table<int> busy;                // 1 while a permutation is in flight
  Table<int> non_improving;       // results since best_quality last grew
  Table<int> new_count;           // new words of the latest result (0: P-list wide)
  Table<int> best_quality;        // best quality (x100) of the current Q-list
  Table<PermRecord*> current;     // record last sent to the task
  Table<PermRecord*> last_q;      // last Q record of the current Q-list
  Table<std::int16_t> slots;      // tasks x kSlots x kSlotLen candidates, -1 = free
  Table<Table<int>> word_scores;  // per task (1..T-1): n x mw proximity sums
  Table<Table<int>> word_seen;    // per task (0..T-1): n x mw flags

  std::int16_t* slot(int t, int k) noexcept { return slots.data() + (ix(t) * kSlots + ix(k)) * kSlotLen; }
  [[nodiscard]] bool pending(int t, int k) noexcept { return slot(t, k)[0] != -1; }
  int* scores(int t, int s) noexcept { return word_scores[ix(t)].data() + ix(s) * ix(mw); }
  int* seen(int t, int s) noexcept { return word_seen[ix(t)].data() + ix(s) * ix(mw); }
};

// Everything the root task holds for one data portion.
struct RootPortion {
  RecordList records;
  TaskState ts;
  Table<int> pairs;         // coverage counter per unordered pair
  int serial = -1;          // serial of the permutation sent last
  int recurrent = 0;        // recurrent permutations rejected
  bool plist_end = false;   // a free task found no unsent P record
  bool stops_sent = false;  // every secondary task has its stop message
  int V = 3;                // new Q-permutations at a time, for this portion
  int mincover = 0;         // coverage every pair must reach in the P-list
};
