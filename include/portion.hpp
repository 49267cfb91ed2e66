// portion.hpp: one data portion of the input file and the sizes derived from it.
#pragma once

#include <array>

#include "portion_settings.hpp"
#include "table.hpp"

inline constexpr int kMaxSeqs = 256;              // sequences per data portion
inline constexpr int kMaxLine = 4096;             // characters per input line, line end included
inline constexpr int kMaxLetters = kMaxLine - 1;  // letters of one sequence line before its line end
inline constexpr int kMaxNameLen = kMaxLine - 2;  // a name after its mark, before the line end
inline constexpr int kMaxWordIndex = 32766;       // word indices travel in int16 (mw + 1 <= 32767)

// The first reason the reader found to refuse a portion, for the message that
// tells the user why it was skipped.
enum class PortionFault : unsigned char {
  kNone,
  kLetter,        // a letter outside the alphabet: seq, pos (1-based), letter
  kZeroInName,    // a zero byte in a name line: seq
  kLongLine,      // a line of more than 4096 characters: seq (the sequence it belongs to)
  kTooFew,        // fewer than 2 sequences
  kTooMany,       // more than 256 sequences
  kNoWord,        // no sequence holds a whole word (or word pair)
  kTooManyWords,  // more word indices than 16-bit fields carry
  kAllMasked,     // -K: every word of every sequence holds a masked letter
};

struct PortionWhy {
  PortionFault fault = PortionFault::kNone;
  int seq = 0;      // 0-based sequence of the fault
  int pos = 0;      // 1-based position in the line (kLetter)
  char letter = 0;  // the letter (kLetter)
};

struct DataPortion {
  int n = 0;                               // sequences read (may exceed kMaxSeqs in a bad portion)
  int m = 0;                               // the greatest length
  int logn = 0, nn = 0;                    // nn: smallest power of two >= n (4 for n = 2); logn = log2(nn)
  int pair_count = 0;                      // n(n-1)/2
  int mw = 0;                              // word indices of the longest sequence; mw itself = no word
  int name_width = 0;                      // name print width (greatest name, lowered to -N)
  std::array<Table<char>, kMaxSeqs> seq;   // normalised letters, zero-terminated
  std::array<Table<char>, kMaxSeqs> name;  // empty = no name line
  std::array<int, kMaxSeqs> len{};         // letters kept per sequence
  std::array<int, kMaxSeqs> word_pos{};    // one-word starts per sequence (L - l + 1, >= 0)
  // Masked letters (-K, and the strand junction of -RC): entry k of a
  // sequence's table counts the masked letters before its letter k (len + 1
  // entries), so that a word holds one when two entries differ. Empty: the
  // sequence has no masked letter.
  std::array<Table<int>, kMaxSeqs> masked_before;
  // With -RC a sequence holds its given strand, one junction letter and the
  // reverse complement; strand_len is the given strand's length (else len).
  std::array<int, kMaxSeqs> strand_len{};
  int masked_letters = 0;  // masked letters of the given strands (-K)
  PortionWhy why;          // the first fault of an unusable portion
  // Sequence lines that follow another sequence line in a portion that has
  // name lines: the look of a FASTA file wrapped over several lines.
  int wrapped_lines = 0;
  PortionSettings derived;  // threshold and -BG1 weights of this portion

  [[nodiscard]] int stored() const noexcept { return n < kMaxSeqs ? n : kMaxSeqs; }
  [[nodiscard]] int M() const noexcept { return mw + 1; }
  [[nodiscard]] const char* name_of(int i) const noexcept {
    return name[ix(i)].empty() ? "" : name[ix(i)].data();
  }
  [[nodiscard]] const char* seq_of(int i) const noexcept {
    return seq[ix(i)].empty() ? "" : seq[ix(i)].data();
  }
  [[nodiscard]] const int* masked_of(int i) const noexcept {
    return masked_before[ix(i)].empty() ? nullptr : masked_before[ix(i)].data();
  }
};
