// mirror.hpp: the mirror of a word on the other strand, with which a search
// of both strands climbs only one key of every mirrored pair.
//
// With both strands (-RC) a sequence of stored length Ls (given strand,
// junction, reverse complement) holds at Ls - l - p the reverse complement of
// its word at p. Reading every word of a key's row on the other strand
// changes no proximity (for single words without a motif and letter weights
// that a letter shares with its complement), so the key of the mirrored
// heads has the same cost, and its choices are the mirrored choices. A
// search step then works out only the first key of each such pair in scan
// order and takes the other's choice from it.
#pragma once

#include <array>
#include <cstdint>

#include "portion.hpp"
#include "settings.hpp"

struct StrandMirror {
  int mw = 0;
  std::array<int, kMaxSeqs> last{};  // per sequence: the greatest start of a word (Ls - l)

  // The mirror of word index w of sequence seq. The no-word index, an index
  // whose word does not fit the sequence, and an empty slot (seq < 0) are
  // their own mirror.
  [[nodiscard]] int of(int seq, int w) const noexcept {
    if (seq < 0 || w < 0 || w >= mw) return w;
    const int top = last[ix(seq)];
    return w <= top ? top - w : w;
  }
  // True when key (wa, wb) of the heads a and b comes after its mirror key in
  // scan order (wa outer, wb inner): its choice is the mirror key's.
  [[nodiscard]] bool derived(int a, int wa, int b, int wb) const noexcept {
    const int ma = of(a, wa);
    return ma < wa || (ma == wa && of(b, wb) < wb);
  }
};

// Sets ret and returns true when the keys of a search of this portion come
// in mirrored pairs: both strands, single words without a motif, letter
// weights that a letter shares with its complement, and every sequence
// stored as its reverse complement with mirrored masks (checked letter by
// letter). Otherwise returns false: every key is worked out.
[[nodiscard]] bool strand_mirror(const Settings& set, const DataPortion& dp, StrandMirror& ret) noexcept;
