// gtree.hpp: the G-tree of one permutation and the search that runs on it.
//
// The G-tree lays a permutation out as a complete two-way tree over nn leaf
// places, one array of slots per level; its working tables hold, for every
// key (pair of words of a group's two heads), the best words of the group's
// other members (system) and their score (cost).
#pragma once

#include <cstdint>
#include <cstdio>

#include "coin.hpp"
#include "out.hpp"
#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "table.hpp"
#include "proximity/proximity.hpp"
#include "search/tree/mirror.hpp"

inline constexpr int kMaxLevels = 8;               // covers nn up to 256
inline constexpr int kMaxSlots = 1 << kMaxLevels;  // the most slots of a row (nn)

struct GTree {
  Table<std::int16_t> perm;          // n sequence indices, in search order
  Table<Table<std::int16_t>> level;  // kMaxLevels level arrays of nn slots (-1 = empty)
  Table<std::int16_t> system;        // nn x M x M: row of key (wa, wb) at (wa*M + wb)*nn
  Table<std::int16_t> system_prev;   // the previous step's system table
  Table<std::int16_t> cand_a;        // M candidate word indices
  Table<std::int16_t> cand_b;        // M candidate word indices
  Table<std::int32_t> cost;          // M x M x groups: key (wa, wb), group g at (wa*M + wb)*K + g
  Table<std::int32_t> cost_prev;     // the previous step's cost table
};

// What the search reads and where it writes its diagnostics.
struct SearchEnv {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  ProxEnv prox;        // proximity of two words (matrix or on the fly)
  Coin coin;           // every tie of the search
  Out* out = nullptr;  // the task's output file (may be null)
  // Set by the entry point when the keys come in mirrored pairs (both
  // strands): the steps then work out one key of each pair. Null: every key.
  const StrandMirror* mirror = nullptr;
  bool full_search = false;  // tests only: every key worked out even then

  [[nodiscard]] int p(int a, int i, int b, int j) const noexcept { return proximity(prox, a, i, b, j); }
};

// Builds the level arrays and the working tables of g (perm filled, the rest
// empty). Returns 0, ERMEM (an allocation failed; the tables made stay until
// g is released) or ERIO (the dump at -D3 could not be flushed).
[[nodiscard]] Status build_gtree(GTree& g, const SearchEnv& env) noexcept;

// The two halves of build_gtree: the working tables (system tables and
// candidate lists, filled with -1), and the level arrays with their dump.
// build_levels alone serves a search that keeps tables of its own.
[[nodiscard]] Status gtree_tables(GTree& g, const SearchEnv& env) noexcept;
[[nodiscard]] Status build_levels(GTree& g, const SearchEnv& env) noexcept;

// The rows of the one group at the top of a climb (nn slots per key); when
// `zero` is given, a key whose flag is set has the row zero_row.
struct TopRows {
  GroupRows group;
  const std::uint8_t* zero = nullptr;
  const std::int16_t* zero_row = nullptr;

  // The row of key; scratch (nn entries) holds a row made from its mirror's.
  [[nodiscard]] const std::int16_t* row(std::size_t key, std::int16_t* scratch) const noexcept {
    if (zero != nullptr && zero[key] != 0) return zero_row;
    const auto m = ix(group.M);
    return group.row(static_cast<int>(key / m), static_cast<int>(key % m), scratch);
  }
};

// Top selection, words, measure and signal report of a finished climb: the
// costs of the one group in top_cost (key (wa, wb) at wa * M + wb), its rows
// in top. Returns 0 or ERIO (the report could not be flushed).
[[nodiscard]] Status finish_signal(const GTree& g, const SearchEnv& env, const std::int32_t* top_cost,
                                   const TopRows& top, std::int32_t* msg) noexcept;

// Measures the signal whose words (one per sequence, mw for none) stand in
// msg entries 0 .. n-1: writes the proximity sums, quality x100 (with the
// conservation bonuses), power and avg proximity x100 into msg.
void measure_signal(const SearchEnv& env, std::int32_t* msg) noexcept;

// Diagnostics of the search (search_dump.cpp), written by the entry point and
// the tree, never by an engine: the G-tree (-D3), the "Level" line of a
// climb step (-D2), the search tables after a step (-D4, the reference's
// tables only), the signal found (-D2).
void dump_gtree(const GTree& g, const DataPortion& dp, Out& out) noexcept;
void dump_system(const GTree& g, int z, const DataPortion& dp, Out& out) noexcept;
void level_line(const SearchEnv& env, int z) noexcept;
// Ends the diagnostics of step z: the search tables of g at -D4 (g null:
// none), then a flush. Returns 0 or ERIO.
[[nodiscard]] Status step_done(const SearchEnv& env, const GTree* g, int z) noexcept;
void report_signal(const SearchEnv& env, const std::int32_t* msg) noexcept;
