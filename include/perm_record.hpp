// perm_record.hpp: the root task's record of one P- or Q-permutation and its
// result, and the record list of a data portion.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>

#include "table.hpp"

struct PermRecord {
  PermRecord* prev = nullptr;        // record list, previous record
  std::unique_ptr<PermRecord> next;  // record list, next record (owned)
  PermRecord* chain_prev = nullptr;  // P: previous P record; Q: previous Q of its Q-list
  PermRecord* chain_next = nullptr;  // P: next P record; Q: next Q of its Q-list
  PermRecord* q_link = nullptr;      // P: first Q record of its Q-list; Q: its P record
  Table<std::int16_t> perm;          // n sequence indices
  int serial = -1;                   // order of sending in the portion; -1 until sent
  int p_index = 0;                   // number of the P-permutation in the P-list
  int q_index = -1;                  // number within its Q-list; -1 marks a P record
  int task = -1;                     // task it was sent to; -1 until sent
  int n = 0, nn = 0, logn = 0;       // the data portion's sizes
  int quality = 0;                   // x100, from the result
  int avg_proximity = 0;             // x100, from the result
  int power = 0;                     // sequences with a word
  Table<int> words;                  // word index per sequence; empty until the result
  Table<int> prox_sums;              // proximity sum per sequence
  Table<int> percents;               // per sequence, x100
  int new_words = 0;                 // new (sequence, word) pairs of this result

  [[nodiscard]] bool has_result() const noexcept { return !words.empty(); }
  [[nodiscard]] bool is_p() const noexcept { return q_index == -1; }
};

// The per-sequence percent value of a result (x100): its proximity sum over
// power - 1, 0 when power is 1 or less.
[[nodiscard]] inline int percent_of(int prox_sum, int power) noexcept {
  if (power <= 1) return 0;
  const long long p = prox_sum * 100LL / (power - 1);  // held within int
  return p > INT_MAX ? INT_MAX : p < INT_MIN ? INT_MIN : static_cast<int>(p);
}

// Every record of a data portion in creation order: the P records first, in
// P-list order, then each Q record when it is sent. The list owns them.
struct RecordList {
  std::unique_ptr<PermRecord> first;
  PermRecord* last = nullptr;
  PermRecord* plist_last = nullptr;  // the last P record

  RecordList() = default;
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;
  ~RecordList() { clear(); }

  // Releases every record iteratively (a long list must not recurse).
  void clear() noexcept {
    std::unique_ptr<PermRecord> p = std::move(first);
    while (p) p = std::move(p->next);
    last = plist_last = nullptr;
  }

  // Appends r at the end of the record list.
  void append(std::unique_ptr<PermRecord> r) noexcept {
    PermRecord* raw = r.get();
    raw->prev = last;
    if (last)
      last->next = std::move(r);
    else
      first = std::move(r);
    last = raw;
  }

  // Number of P records: the p_index of the last P record plus one.
  [[nodiscard]] int plist_size() const noexcept { return plist_last ? plist_last->p_index + 1 : 0; }
};
