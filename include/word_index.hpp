// word_index.hpp: decoding a word index.
//
// One-word signal (l2 = 0): the index is the 0-based start of the word.
// Two-word signal: index = q * S + (s - SMIN), first word at q, spacing s,
// second word at q + l + s. The index mw is the no-word index.
#pragma once

#include "portion.hpp"
#include "settings.hpp"

struct WordPlace {
  int q;    // start of the (first) word
  int gap;  // spacing (two-word signal only)
  int p2;   // start of the second word (two-word signal only)
};

[[nodiscard]] inline WordPlace decode_word(int w, int l, int l2, int smin, int S) noexcept {
  if (l2 == 0) return {w, 0, 0};
  const int q = w / S, gap = w % S + smin;
  return {q, gap, q + l + gap};
}

// True when the word (pair) of index w, which lies within its sequence, holds
// no masked letter; masked_before is the sequence's count table (null: none).
// With both strands (-RC) a pair must also lie on one strand: its first word
// on the given strand (before strand_len) and its second beyond the junction
// would hold no masked letter, yet read across strands.
[[nodiscard]] inline bool word_unmasked(const int* masked_before, int strand_len, int w, int l, int l2,
                                        int smin, int S) noexcept {
  if (masked_before == nullptr) return true;
  const WordPlace p = decode_word(w, l, l2, smin, S);
  if (masked_before[p.q + l] != masked_before[p.q]) return false;
  if (l2 == 0) return true;
  return masked_before[p.p2 + l2] == masked_before[p.p2] && (p.q < strand_len) == (p.p2 < strand_len);
}

// The place of a word's start on the given strand, for output: with both
// strands (-RC) a start q beyond the junction of a sequence whose given strand
// has strand_len letters lies on the reverse strand; its word of len letters
// is printed at its leftmost letter on the given strand.
struct StrandPlace {
  int start;  // 1-based
  char sign;  // '+' or '-'
};
[[nodiscard]] inline StrandPlace strand_place(int q, int len, int strand_len) noexcept {
  if (q < strand_len) return {q + 1, '+'};
  const int j = q - (strand_len + 1);  // start on the reverse strand
  return {strand_len - j - len + 1, '-'};
}

// The start q of a word of len letters printed at 1-based start on its
// strand ('+' or '-'), with both strands (-RC): the inverse of strand_place.
// Computed wide: a damaged start gives a q outside the sequence, not an
// overflow.
[[nodiscard]] inline long long strand_index(long long start, char sign, int len, int strand_len) noexcept {
  if (sign == '+') return start - 1;
  return strand_len + 1 + (strand_len - start - len + 1);
}

// With both strands (-RC): the start of the word of len letters that reads
// the same letters as the word at q, on the other strand.
[[nodiscard]] inline int mirror_start(int q, int len, int strand_len) noexcept {
  return q < strand_len ? strand_len + 1 + (strand_len - q - len) : strand_len - (q - strand_len - 1) - len;
}

// True when the word (pair) of index w lies wholly within a sequence of length len.
[[nodiscard]] inline bool word_fits(int w, int len, int l, int l2, int smin, int S) noexcept {
  if (w < 0) return false;
  if (l2 == 0) return w + l <= len;
  const WordPlace p = decode_word(w, l, l2, smin, S);
  return p.p2 + l2 <= len;
}

// True when word index w is a word of sequence seq: it lies within the
// sequence and holds no masked letter.
[[nodiscard]] inline bool word_usable(const DataPortion& dp, const Settings& s, int seq, int w) noexcept {
  const auto i = ix(seq);
  return w >= 0 && w < dp.mw && word_fits(w, dp.len[i], s.l, s.l2, s.smin, s.S) &&
         word_unmasked(dp.masked_of(seq), dp.strand_len[i], w, s.l, s.l2, s.smin, s.S);
}
