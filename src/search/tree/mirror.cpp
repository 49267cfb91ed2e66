// mirror.cpp: whether a portion's search keys come in mirrored pairs.
#include "search/tree/mirror.hpp"

#include "alphabet.hpp"
#include "proximity/background.hpp"

namespace {

// Sequence i reads backwards as its complement, and a letter is masked
// exactly when its mirror letter is.
bool sequence_mirrored(const DataPortion& dp, int i) noexcept {
  const int L = dp.len[ix(i)];
  const char* text = dp.seq_of(i);
  const int* masked = dp.masked_of(i);
  for (int k = 0; k < L; ++k) {
    if (text[L - 1 - k] != complement(text[k])) return false;
    if (masked != nullptr && (masked[k + 1] - masked[k]) != (masked[L - k] - masked[L - 1 - k])) return false;
  }
  return true;
}

}  // namespace

bool strand_mirror(const Settings& set, const DataPortion& dp, StrandMirror& ret) noexcept {
  if (!set.both_strands || set.l2 != 0 || set.motif_given || set.acid) return false;
  for (const char* pair : {"at", "cg"})
    if (letter_weight(set, dp.derived, pair[0]) != letter_weight(set, dp.derived, pair[1])) return false;
  ret.mw = dp.mw;
  for (int i = 0; i < dp.n; ++i) {
    if (!sequence_mirrored(dp, i)) return false;
    ret.last[ix(i)] = dp.len[ix(i)] - set.l;
  }
  return true;
}
