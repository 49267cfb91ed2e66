// fast.hpp: the fast signal search.
//
// The same climb as the reference (search/reference: quad search, group
// merges), with the same outcome for every permutation: the same cost and
// row for every key, ties offered to the coin in the same scan order. It
// differs in how it gets there:
//  - proximities are read a block row at a time (blocks.hpp), as bytes;
//  - the admissible candidates of every key of a group are found from the
//    side of one head's word at a time, as row vectors over every word of
//    the other head, from the words that can reach the threshold (lists of
//    neighbours) and from member sums;
//  - a member sum is the sum of two runs of a previous row (its even and
//    its odd places), each made once and kept for the rows that share it;
//  - a pair of candidates is scored only when its bound (partial scores and
//    the greatest entry of its row) can reach the best;
//  - a merged key of cost 0 without words is a flag, not a written row.
//
// The entry point (search/search.hpp) hands a permutation to the reference
// when the diagnostics level asks for the search tables (-D4), when
// proximities could exceed a byte (on the fly, or a -BG1 matrix of 16-bit
// cells), and when the fast climb's own tables cannot be had; the result is
// the same.
#pragma once

#include <cstdint>

#include "proximity/blocks.hpp"
#include "search/fast/fast_tables.hpp"
#include "search/tree/gtree.hpp"

// The tables of one step's groups as an earlier permutation left them. A
// group whose places hold the same sequences as then has the same subtree,
// so its search would find the same tables (with the real coin: tables it
// could have found); they are copied instead. Kept for the quad step and the
// first merge step, which hold nearly all such repetition (a Q-permutation's
// variant swaps neighbouring places, which lie in different groups of every
// step; see docs/performance.md).
struct KeptStep {
  Table<std::int16_t> places;     // groups x c: the sequences of each group's places, -2 where none is kept
  Table<std::int16_t> rows;       // groups x M x M x c
  Table<std::int32_t> cost;       // groups x M x M
  Table<std::uint8_t> zero;       // groups x M x M (a merge step's flags)
  Table<std::uint8_t> written;    // groups x M x M (a merge step's rows written though taken from mirrors)
  Table<std::int16_t> zero_rows;  // groups x c
  bool ready = false;             // tables had for this data portion
  bool mirrored = false;          // kept by climbs that took keys from their mirrors (rows left out)
  bool tried = false;             // their allocation was tried
};

// The most bytes the kept steps take together; beyond it nothing is kept.
inline constexpr std::size_t kMaxKeptBytes = std::size_t{256} << 20;

// What the merge steps' candidate tests did since the search was prepared,
// for the benchmark: the own words worked for, their candidates whose
// previous key has a cost, the candidates tested against every word of the
// other head by their member sums, the words tested so, and those found
// admissible.
struct MergeCounts {
  std::uint64_t own_words = 0, costly = 0, tests = 0, words = 0, admissible = 0;
};

// The choice of one key of a merged group.
struct MergeOut {
  int cost;    // 0 with zero
  int va, ub;  // chosen words of a2 and b2
  bool zero;   // cost 0: heads without words, members from the (mw, mw) rows
};

struct FastSearch {
  ProxBlocks blocks;
  bool ready = false;                   // prepared for the current data portion
  Table<std::int16_t> rows, rows_prev;  // nn x M x M: per group g, M x M rows of its c slots
  // Both strands: the rows of keys taken from their mirrors are not written
  // where they are their mirror keys' read on the other strand (GroupRows);
  // the sequence of every row slot of each group (nn), and, for the keys
  // taken from their mirrors of a merge step (groups x M x M, the entries
  // of the other keys not set), kRowWritten where the row is written all
  // the same, kZeroTaken where the key is flagged zero (so that one byte
  // tells both), else 0.
  Table<std::int16_t> row_seq, row_seq_prev;
  Table<std::uint8_t> written, written_prev;
  static constexpr std::uint8_t kRowWritten = 1, kZeroTaken = 2;
  StrandMirror mirror;    // the mirror of the last climb,
  bool mirrored = false;  // when it took keys from their mirrors
  // A key of a merge step whose cost is 0 with heads and second heads
  // without words has the same row as every such key of its group: a flag
  // stands for it, and the row is kept once per group.
  Table<std::uint8_t> zero, zero_prev;            // groups x M x M flags (the quad step sets none)
  Table<std::int16_t> zero_rows, zero_rows_prev;  // nn: the row of each group's flagged keys
  bool flagged = false, flagged_prev = false;     // zero (zero_prev) holds flags of rows (rows_prev)
  Table<std::int32_t> cost, cost_prev;            // per group g: M x M costs at g * M * M + own * M + other
  Table<MergeOut> choices;                        // M: the choices of one word of a
  Buckets buckets;                                // the lists of one own word
  KeyLists lists;                                 // the other side's lists of every key of a group
  Neighbours near;                                // per word of the other head: candidates reaching T
  Table<std::int16_t> acc;                        // mw member sums
  RunSums runs;                                   // member sums kept for one side of a group
  Table<std::int16_t> hits, near_own;             // M positions found by a row scan
  Table<std::uint64_t> by_cost;                   // M candidates keyed by their previous costs, to sort
  Table<std::uint8_t> free_cand;                  // M: 1 where a candidate's previous key has no cost
  Table<std::uint8_t> rowmax, rowmax2, rowmax3;   // mw row maxima of blocks
  Table<std::int32_t> sa, sb;                     // M partial scores of the two lists of a key
  PickScratch pick;
  MergeCounts counts;
  KeptStep kept_quads, kept_merge;  // the quad step, the first merge step
};

// Prepares the fast search for a data portion (after the proximity matrix was
// built, or not). Returns 0 or ERMEM; on ERMEM the fast search hands every
// permutation to the reference.
[[nodiscard]] Status prepare_fast_search(const Settings& set, const DataPortion& dp, const ProxMatrix* matrix,
                                         FastSearch& ret) noexcept;

// The rows at the top of a finished climb.
[[nodiscard]] inline TopRows fast_top_rows(const FastSearch& f, int M, int nn) noexcept {
  TopRows top{GroupRows{f.rows.data(), M, nn}};
  if (f.flagged) {
    top.zero = f.zero.data();
    top.zero_row = f.zero_rows.data();
    top.group.written = f.written.data();
  }
  if (f.mirrored) {
    top.group.mirror = &f.mirror;
    top.group.seq = f.row_seq.data();
  }
  return top;
}

// True when the fast engine climbs for this portion: prepared, able to read
// its proximities, and the search tables not asked for (-D4).
[[nodiscard]] inline bool fast_engine_takes(const FastSearch& f, const Settings& set) noexcept {
  return f.ready && f.blocks.usable && set.diag_level < 4;
}

// Climbs the G-tree whose levels are built (build_levels), writing nothing;
// the costs and rows of the top then stand in f.cost and fast_top_rows(f, M, nn).
// Returns 0, or the status of a step that failed; then the climb's tables
// and the block cache are released, so that the reference has room.
[[nodiscard]] Status fast_climb(GTree& t, FastSearch& f, const SearchEnv& env) noexcept;

// The steps of the climb. Each returns 0, ERMEM (the fast tables could not
// be had) or ERINT (an empty second-head slot).
[[nodiscard]] Status fast_quads(GTree& t, FastSearch& f, const SearchEnv& env) noexcept;
[[nodiscard]] Status fast_merge(GTree& t, FastSearch& f, int z, const SearchEnv& env) noexcept;
