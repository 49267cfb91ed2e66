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
  // The key (wa * M + wb) of the mirror of key (wa, wb) of the heads a and b.
  [[nodiscard]] std::size_t key_of(int a, int wa, int b, int wb, int M) const noexcept {
    return ix(of(a, wa)) * ix(M) + ix(of(b, wb));
  }
};

// The rows of one group of a search step, c slots each, the row of key k
// (wa * M + wb) at rows + k * c. With mirror given (both strands), a key
// taken from its mirror key has no row written when its row is its mirror
// key's read on the other strand (every word mirrored); `written` flags
// (not 0) the keys taken from their mirrors whose rows are written all the
// same (their rows are not such a reading), or that the caller reads
// otherwise (null: none is flagged); seq holds the sequence of every slot,
// the heads' at 0 and 1.
struct GroupRows {
  const std::int16_t* rows = nullptr;
  int M = 0, c = 0;
  const StrandMirror* mirror = nullptr;
  const std::int16_t* seq = nullptr;
  const std::uint8_t* written = nullptr;

  [[nodiscard]] std::size_t key(int wa, int wb) const noexcept { return ix(wa) * ix(M) + ix(wb); }
  // True when the row of key (wa, wb) is its mirror key's, not written.
  [[nodiscard]] bool read_from_mirror(int wa, int wb) const noexcept {
    return mirror != nullptr && mirror->derived(seq[0], wa, seq[1], wb) &&
           (written == nullptr || written[key(wa, wb)] == 0);
  }
  // The key whose row the row of key (wa, wb) is mostly read from, without
  // looking at its flag: for asking the memory ahead.
  [[nodiscard]] std::size_t likely_key(int wa, int wb) const noexcept {
    return mirror != nullptr && mirror->derived(seq[0], wa, seq[1], wb)
               ? mirror->key_of(seq[0], wa, seq[1], wb, M)
               : key(wa, wb);
  }
  // The row of key (wa, wb): as written, or made in scratch (c entries).
  [[nodiscard]] const std::int16_t* row(int wa, int wb, std::int16_t* scratch) const noexcept {
    if (!read_from_mirror(wa, wb)) return rows + key(wa, wb) * ix(c);
    const std::int16_t* from = rows + mirror->key_of(seq[0], wa, seq[1], wb, M) * ix(c);
    for (int i = 0; i < c; ++i) scratch[i] = static_cast<std::int16_t>(mirror->of(seq[i], from[i]));
    return scratch;
  }
  // The word in slot i of the row of key (wa, wb).
  [[nodiscard]] int word(int wa, int wb, int i) const noexcept {
    if (!read_from_mirror(wa, wb)) return rows[key(wa, wb) * ix(c) + ix(i)];
    return mirror->of(seq[i], rows[mirror->key_of(seq[0], wa, seq[1], wb, M) * ix(c) + ix(i)]);
  }
};

// Sets ret and returns true when the keys of a search of this portion come
// in mirrored pairs: both strands, single words without a motif, letter
// weights that a letter shares with its complement, and every sequence
// stored as its reverse complement with mirrored masks (checked letter by
// letter). Otherwise returns false: every key is worked out.
[[nodiscard]] bool strand_mirror(const Settings& set, const DataPortion& dp, StrandMirror& ret) noexcept;
