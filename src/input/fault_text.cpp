// fault_text.cpp: why a data portion was refused, in words for the user.
#include <cctype>
#include <cstdio>

#include "reader.hpp"

namespace {

// A letter as the user would type it, or its byte value when it is none.
void show_letter(char c, char* buf, std::size_t size) noexcept {
  const auto u = static_cast<unsigned char>(c);
  if (std::isgraph(u))
    std::snprintf(buf, size, "'%c'", c);
  else
    std::snprintf(buf, size, "byte 0x%02x", u);
}

}  // namespace

void describe_fault(const DataPortion& dp, const Settings& set, char* buf, std::size_t size) noexcept {
  const PortionWhy& w = dp.why;
  const int seq = w.seq + 1;
  const char* name = w.seq < dp.stored() ? dp.name_of(w.seq) : "";
  char letter[16];
  switch (w.fault) {
    case PortionFault::kNone: std::snprintf(buf, size, "%s", ""); return;
    case PortionFault::kLetter:
      show_letter(w.letter, letter, sizeof letter);
      std::snprintf(buf, size, "sequence %d '%s': %s at position %d is outside the %s alphabet%s", seq, name,
                    letter, w.pos, set.acid ? "amino-acid" : "nucleotide",
                    set.acid ? "" : " (-ACID reads amino acids)");
      return;
    case PortionFault::kZeroInName:
      std::snprintf(buf, size, "the name line of sequence %d holds a zero byte", seq);
      return;
    case PortionFault::kLongLine:
      std::snprintf(buf, size, "sequence %d '%s': a line of more than %d characters", seq, name, kMaxLine);
      return;
    case PortionFault::kTooFew:
      std::snprintf(buf, size, "%d sequence; a data portion needs 2 to %d", dp.n, kMaxSeqs);
      return;
    case PortionFault::kTooMany:
      std::snprintf(buf, size,
                    "%d sequences; a data portion holds at most %d (korvax-prep --split writes "
                    "several portions)",
                    dp.n, kMaxSeqs);
      return;
    case PortionFault::kNoWord:
      if (set.l2 == 0)
        std::snprintf(buf, size, "the longest sequence (%d letters) is shorter than the word (-L%d)", dp.m,
                      set.l);
      else
        std::snprintf(buf, size,
                      "the longest sequence (%d letters) is shorter than the word pair "
                      "(-L%d, -LL%d, at least %d letters apart)",
                      dp.m, set.l, set.l2, set.smin);
      return;
    case PortionFault::kAllMasked:
      std::snprintf(buf, size,
                    "-K: every word of every sequence holds a masked (lower-case) letter, so no "
                    "sequence can take a word");
      return;
    case PortionFault::kTooManyWords:
      std::snprintf(buf, size, "%d word indices (longest sequence %d letters%s); at most %d fit", dp.mw, dp.m,
                    set.l2 == 0 ? "" : ", times the spacings", kMaxWordIndex);
      return;
  }
}
