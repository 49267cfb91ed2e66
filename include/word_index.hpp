// word_index.hpp: decoding a word index.
//
// One-word signal (l2 = 0): the index is the 0-based start of the word.
// Two-word signal: index = q * S + (s - SMIN), first word at q, spacing s,
// second word at q + l + s. The index mw is the no-word index.
#pragma once

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

// True when the word (pair) of index w lies wholly within a sequence of length len.
[[nodiscard]] inline bool word_fits(int w, int len, int l, int l2, int smin, int S) noexcept {
  if (w < 0) return false;
  if (l2 == 0) return w + l <= len;
  const WordPlace p = decode_word(w, l, l2, smin, S);
  return p.p2 + l2 <= len;
}
