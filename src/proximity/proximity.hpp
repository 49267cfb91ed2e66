// proximity.hpp: the proximity of two words, and the proximity matrix.
//
// The proximity is the one operation by which korvax compares words: the
// count of equal letters (under -BG1 their information, background.hpp), raised by the a-bonus where both words follow a
// motif letter, lowered by the A-penalty where they break an upper-case one,
// and, for word pairs, lowered by the penalty of each spacing. Never negative.
#pragma once

#include <cstdint>
#include <cstdio>

#include "out.hpp"
#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"

// The precomputed proximities of a data portion: one mw x mw block of bytes
// per unordered pair of sequences (u < v) in the order (0,1), (0,2), ...,
// (n-2,n-1); row = word index in u, column = word index in v.
// Under -BG1, when a proximity can exceed a byte, the blocks are 16-bit
// cells in `wide` instead (same order), so that every proximity is exact;
// the fast search then hands every permutation to the reference.
struct ProxMatrix {
  Table<std::uint8_t> block;    // pair_count x mw x mw bytes, one allocation
  Table<std::uint8_t*> blocks;  // pointer to the block of each pair
  Table<std::uint16_t> wide;    // or pair_count x mw x mw 16-bit cells
  int n = 0, mw = 0;

  [[nodiscard]] bool built() const noexcept { return !blocks.empty() || !wide.empty(); }
  void reset() noexcept {
    block.reset();
    blocks.reset();
    wide.reset();
    n = mw = 0;
  }
};

// Number of the block of pair (u, v), u < v.
[[nodiscard]] inline int pair_block(int n, int u, int v) noexcept {
  return (n - 1) * u - u * (u + 1) / 2 + v - 1;
}

// What the proximity reads: settings, sequences and, when present, the matrix.
struct ProxEnv {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  const ProxMatrix* matrix = nullptr;  // null: compute on the fly
};

// The greatest proximity: it travels in 16-bit fields. Scores are summed in
// 64 bits, so that no accepted bonus or penalty can overflow, then raised to 0
// or lowered to this bound.
inline constexpr int kMaxProximity = 32767;

[[nodiscard]] inline int clamp_proximity(long long score) noexcept {
  return score <= 0 ? 0 : score >= kMaxProximity ? kMaxProximity : static_cast<int>(score);
}

// Score of two words of len letters, position by position, with motif
// (null: no motif), under the background of s and the portion's weights p
// (background.hpp); not raised to 0.
[[nodiscard]] long long score_words(const Settings& s, const PortionSettings& p, const char* x, const char* y,
                                    int len, const char* motif) noexcept;

// The proximity computed from the words themselves, whatever the matrix.
[[nodiscard]] int proximity_on_the_fly(const ProxEnv& e, int a, int i, int b, int j) noexcept;

// Proximity of word i of sequence a and word j of sequence b (a != b; i, j in
// 0..mw). 0 for the no-word index and for indices not valid in their sequence.
[[nodiscard]] inline int proximity(const ProxEnv& e, int a, int i, int b, int j) noexcept {
  const int mw = e.dp->mw;
  if (i == mw || j == mw) return 0;
  if (e.matrix == nullptr) return proximity_on_the_fly(e, a, i, b, j);
  if (a > b) {
    const int t = a;
    a = b;
    b = t;
    const int w = i;
    i = j;
    j = w;
  }
  const auto cell = ix(i) * ix(mw) + ix(j);
  const auto k = ix(pair_block(e.dp->n, a, b));
  if (!e.matrix->wide.empty()) return e.matrix->wide[k * ix(mw) * ix(mw) + cell];
  return e.matrix->blocks[k][cell];
}

// Builds the proximity matrix of the data portion into ret. Returns 0, ERMEM
// (the matrix cannot be held or allocated; ret is left empty) or ERIO (the
// dump at diagnostics level 3 and above, written into out when given, could
// not be flushed).
[[nodiscard]] Status build_matrix(const Settings& set, const DataPortion& dp, Out* out,
                                  ProxMatrix& ret) noexcept;

// Writes the matrix dump (diagnostics level 3 and above).
void dump_matrix(const ProxMatrix& mx, Out& out) noexcept;
