// blocks.hpp: directed proximity blocks, the form in which the fast search
// reads proximities.
//
// A directed block (x, y) holds the proximity of every word index of
// sequence x (rows) against every word index of sequence y (columns): mw x mw
// bytes, row i at i * mw, 0 where an index is not valid in its sequence. The
// no-word index has neither row nor column; its proximity is 0.
//
// With the proximity matrix, the block (x, y) of x < y is the matrix's own
// block and (y, x) its transpose. The transposes are made once per data
// portion when memory allows, else on demand into a cache. Without a matrix
// (on the fly) blocks are computed from the letters, a whole block at a time,
// into the same cache. The cache is bounded; a block leaves it only when a
// later request needs the room, and never while the request that fetched it
// is being served.
#pragma once

#include <cstdint>

#include "portion.hpp"
#include "proximity.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "table.hpp"

// Memory the blocks may take beyond the proximity matrix. With the matrix,
// its transposes are made at once when they take at most kTransposeBudget
// bytes (else transposes are made on demand into the cache). On the fly,
// where memory is what the run saves, the cache keeps at most
// kCacheBudget bytes of blocks; a request that needs more gets room for
// its own blocks all the same.
inline constexpr std::size_t kTransposeBudget = std::size_t{1} << 30;
inline constexpr std::size_t kCacheBudget = std::size_t{256} << 20;

// The most blocks one request asks for: the members of both halves of the
// widest group (nn = 256) and five blocks between its heads.
inline constexpr int kMaxFetch = 2 * (kMaxSeqs / 2 - 1) + 5;

// The word scores a block is summed from, kept from block to block.
struct BlockScratch {
  Table<std::int32_t> first32, second32;
  Table<long long> first64, second64;
};

struct BlockSlot {
  Table<std::uint8_t> data;  // mw x mw bytes
  int x = -1, y = -1;        // the directed pair it holds (-1: free)
  std::uint64_t stamp = 0;   // the request that used it last
};

struct ProxBlocks {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  const ProxMatrix* matrix = nullptr;  // null: on the fly
  int n = 0, mw = 0;
  std::size_t cells = 0;           // mw * mw
  bool usable = false;             // false: every proximity cannot be held in a byte
  Table<std::uint8_t> transposed;  // blocks (v, u) of u < v, in the matrix's pair order
  Table<BlockSlot> slots;          // the cache
  Table<std::int32_t> slot_of;     // n * n: slot of the directed pair, or -1
  std::uint64_t stamp = 0;
  BlockScratch scratch;  // for blocks computed on the fly
  int computed = 0;      // blocks computed or transposed so far (diagnostics)
};

// Prepares the blocks of a data portion: with a matrix, tries to make every
// transpose at once. Returns 0 or ERMEM (only when the bookkeeping tables
// cannot be had; a missing transpose table is not an error). After the call
// `usable` tells whether the fast search can read every proximity from
// blocks: on the fly a proximity above 255 does not fit a byte.
[[nodiscard]] Status prepare_blocks(const Settings& set, const DataPortion& dp, const ProxMatrix* matrix,
                                    ProxBlocks& ret) noexcept;

// Makes the blocks of `count` directed pairs (x[k], y[k]), x[k] != y[k],
// available together: ret[k] points to block k until the next call. Returns
// 0 or ERMEM (the cache cannot hold them).
[[nodiscard]] Status fetch_blocks(ProxBlocks& b, const int* x, const int* y, int count,
                                  const std::uint8_t** ret) noexcept;

// Releases the cache and the transposes (the memory is needed elsewhere).
void drop_block_cache(ProxBlocks& b) noexcept;

// Computes the directed block (x, y) from the letters into out (mw x mw
// bytes): the proximity of every pair of indices as the proximity operation
// computes it on the fly, held to 255 (exact when b.usable). Returns 0 or
// ERMEM (no room for the word scores it sums).
[[nodiscard]] Status compute_block(const Settings& s, const DataPortion& dp, int x, int y, std::uint8_t* out,
                                   BlockScratch& scratch) noexcept;

// The same in 16-bit cells, held to kMaxProximity (exact): the matrix of a
// -BG1 portion whose proximities can exceed a byte.
[[nodiscard]] Status compute_wide_block(const Settings& s, const DataPortion& dp, int x, int y,
                                        std::uint16_t* out, BlockScratch& scratch) noexcept;

// The greatest proximity two words can have (the greatest score less the
// smallest spacing penalties); under -BG1 over the letters the portion holds.
[[nodiscard]] long long greatest_proximity(const Settings& set, const DataPortion& dp) noexcept;
