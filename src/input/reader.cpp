// reader.cpp: the data portion reader.
//
// A portion is a run of non-empty lines ended by an empty line or the end of
// the file. A line starting with one of kNameMarks names the next sequence;
// every other non-empty line is one whole sequence.
#include "reader.hpp"

#include <cctype>
#include <climits>
#include <cstring>

#include "alphabet.hpp"
#include "read_piece.hpp"
#include "word_index.hpp"
#include "../proximity/background.hpp"

namespace {

// Copies len bytes of text into t with a terminating zero byte.
Status store_text(Table<char>& t, const char* text, std::size_t len) noexcept {
  if (Status st = table_alloc(t, len + 1); st != 0) return st;
  std::memcpy(t.data(), text, len);
  t[len] = '\0';
  return 0;
}

// Normalises the len characters of a sequence line in place: lower case,
// "-_=" dropped, u -> t for nucleotides. Returns the letters kept; sets *bad
// to the 1-based position of the first character outside the alphabet (it
// stays in the text all the same), *bad_letter to that character. Every byte
// counts: a zero byte is a character outside the alphabet.
// When lower is given, lower[k] tells whether kept letter k was written in
// lower case.
std::size_t normalise(char* line, std::size_t len, bool acid, int* bad, char* bad_letter,
                      unsigned char* lower) noexcept {
  std::size_t kept = 0;
  for (std::size_t k = 0; k < len; ++k) {
    if (is_dropped(line[k])) continue;
    const char x = fold_letter(line[k], acid);
    if (lower != nullptr) lower[kept] = std::islower(static_cast<unsigned char>(line[k])) != 0;
    if (!in_alphabet(x, acid) && *bad == 0) {
      *bad = static_cast<int>(k + 1);
      *bad_letter = line[k];
    }
    line[kept++] = x;
  }
  return kept;
}

// The letter that joins the two strands of a sequence with -RC: masked, so
// that no word crosses it.
constexpr char kJunction = '|';

// Appends the junction and the reverse complement of the L letters of text
// (and of their marks in masked), so that text holds 2L + 1 letters.
void add_reverse_strand(char* text, unsigned char* masked, std::size_t L) noexcept {
  text[L] = kJunction;
  masked[L] = 1;
  for (std::size_t k = 0; k < L; ++k) {
    text[L + 1 + k] = complement(text[L - 1 - k]);
    masked[L + 1 + k] = masked[L - 1 - k];
  }
}

// Stores the count table of the len marks of sequence i, when any is set.
Status store_masks(DataPortion& dp, std::size_t i, const unsigned char* masked, std::size_t len) noexcept {
  std::size_t count = 0;
  for (std::size_t k = 0; k < len; ++k) count += masked[k];
  if (count == 0) return 0;
  if (Status st = table_alloc(dp.masked_before[i], len + 1); st != 0) return st;
  int before = 0;
  for (std::size_t k = 0; k <= len; ++k) {
    dp.masked_before[i][k] = before;
    if (k < len) before += masked[k];
  }
  return 0;
}

// True when some sequence has a word (pair) without a masked letter.
bool any_unmasked_word(const DataPortion& dp, const Settings& set) noexcept {
  for (int i = 0; i < dp.stored(); ++i)
    for (int w = 0; w < dp.mw; ++w)
      if (word_fits(w, dp.len[ix(i)], set.l, set.l2, set.smin, set.S) &&
          word_unmasked(dp.masked_of(i), dp.strand_len[ix(i)], w, set.l, set.l2, set.smin, set.S))
        return true;
  return false;
}

// Keeps the first fault of the portion.
void note_fault(DataPortion& dp, PortionFault fault, int seq, int pos = 0, char letter = 0) noexcept {
  if (dp.why.fault == PortionFault::kNone) dp.why = {fault, seq, pos, letter};
}

// The fault of a portion whose sequence count is wrong.
void note_count(DataPortion& dp) noexcept {
  if (dp.n < 2) note_fault(dp, PortionFault::kTooFew, 0);
  if (dp.n > kMaxSeqs) note_fault(dp, PortionFault::kTooMany, 0);
}

// nn: the smallest power of two not below n (4 for n = 2); logn its exponent.
// A bad portion may count any number of sequences: nn stops at 2^30 and the
// pair count at the largest int, so that nothing overflows.
void derive_sizes(const Settings& set, DataPortion& dp) noexcept {
  if (dp.n == 2) {
    dp.nn = 4;
    dp.logn = 2;
  } else {
    dp.nn = 1;
    dp.logn = 0;
    while (dp.nn < dp.n && dp.logn < 30) {
      dp.nn *= 2;
      ++dp.logn;
    }
  }
  const long long pairs = static_cast<long long>(dp.n) * (dp.n - 1) / 2;
  dp.pair_count = pairs > INT_MAX ? INT_MAX : static_cast<int>(pairs);
  if (set.l2 == 0)
    dp.mw = dp.m - set.l + 1;
  else
    dp.mw = (dp.m - set.smin - set.l - set.l2 + 1) * set.S;
  dp.name_width = name_print_width(dp.name_width, set.name_width_limit);
}

}  // namespace

void clear_portion(DataPortion& dp) noexcept {
  for (int i = 0; i < kMaxSeqs; ++i) {
    dp.seq[ix(i)].reset();
    dp.name[ix(i)].reset();
  }
  dp.len.fill(0);
  dp.word_pos.fill(0);
  dp.n = dp.m = dp.logn = dp.nn = dp.pair_count = dp.mw = dp.name_width = 0;
  dp.why = {};
  dp.wrapped_lines = 0;
  dp.masked_letters = 0;
  for (auto& t : dp.masked_before) t.reset();
  dp.strand_len.fill(0);
  dp.derived = {};
}

Status read_portion(std::FILE* in, const Settings& set, DataPortion& dp, Status& run_status) noexcept {
  clear_portion(dp);
  if (in == nullptr || std::ferror(in)) return ERDATA | EODATA;

  Status st = 0;
  bool named = false, after_sequence = false;
  // One piece of at most 4097 characters; with -RC room for both strands.
  constexpr std::size_t kPiece = kMaxLine + 1;
  char line[2 * kPiece + 1];
  unsigned char masked[2 * kPiece + 1];
  for (;;) {
    std::size_t len = read_piece(in, line, kPiece);
    if (len == 0) {
      if (std::ferror(in)) {
        run_status |= ERIO;  // the portion ends with what was read
        if (dp.n == 0) return ERDATA | EODATA;
        break;
      }
      st |= EODATA;
      if (dp.n == 0) return st;
      if (dp.n < 2 || dp.n > kMaxSeqs) st |= ERDATA;
      note_count(dp);
      break;
    }
    if (len > ix(kMaxLine)) {
      st |= ERDATA;  // over-long line: taken unchanged, the rest is the next piece
      note_fault(dp, PortionFault::kLongLine, dp.n);
    } else {
      for (int k = 0; k < 2 && len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'); ++k) --len;
    }
    if (len == 0) {
      if (dp.n == 0) continue;
      if (dp.n < 2 || dp.n > kMaxSeqs) st |= ERDATA;
      note_count(dp);
      break;
    }
    const bool stored = dp.n < kMaxSeqs;  // sequences past the 256th are counted only
    const auto i = ix(stored ? dp.n : 0);
    if (is_name_mark(line[0])) {
      named = true;
      after_sequence = false;
      if (std::memchr(line, '\0', len) != nullptr) {  // a name is text
        st |= ERDATA;
        note_fault(dp, PortionFault::kZeroInName, dp.n);
      }
      if (!stored) continue;
      if (store_text(dp.name[i], line + 1, len - 1) != 0) {
        dp.name[i].reset();
        run_status |= ERMEM;
        continue;
      }
      if (static_cast<int>(len - 1) > dp.name_width) dp.name_width = static_cast<int>(len - 1);
      continue;
    }
    int bad = 0;
    char bad_letter = 0;
    std::size_t kept = normalise(line, len, set.acid, &bad, &bad_letter, masked);
    if (!set.mask_lower) std::memset(masked, 0, kept);
    for (std::size_t k = 0; k < kept; ++k) dp.masked_letters += masked[k];
    const int given = static_cast<int>(kept);
    if (set.both_strands) {
      add_reverse_strand(line, masked, kept);
      kept = 2 * kept + 1;
    }
    if (bad != 0) {
      st |= ERDATA;
      note_fault(dp, PortionFault::kLetter, dp.n, bad, bad_letter);
    }
    if (after_sequence && named) ++dp.wrapped_lines;
    after_sequence = true;
    if (stored && (store_text(dp.seq[i], line, kept) != 0 || store_masks(dp, i, masked, kept) != 0)) {
      dp.seq[i].reset();
      run_status |= ERMEM;  // the line is dropped
      continue;
    }
    const int L = static_cast<int>(kept);
    if (stored) {
      dp.len[i] = L;
      dp.strand_len[i] = given;
      dp.word_pos[i] = L - set.l + 1 > 0 ? L - set.l + 1 : 0;
    }
    if (L > dp.m) dp.m = L;
    if (dp.n < INT_MAX) ++dp.n;  // a bad portion's count stops at the largest int
  }
  derive_sizes(set, dp);
  dp.derived = derive_portion(set, dp);  // -BG1: the weights and threshold of this portion
  // No word fits in any sequence, or word indices that would not fit the
  // 16-bit fields that carry them: nothing can be searched.
  if (dp.mw < 1 || dp.mw > kMaxWordIndex) st |= ERDATA;
  if (dp.mw < 1) note_fault(dp, PortionFault::kNoWord, 0);
  if (dp.mw > kMaxWordIndex) note_fault(dp, PortionFault::kTooManyWords, 0);
  if (st == 0 || st == EODATA) {
    if (dp.masked_letters > 0 && !any_unmasked_word(dp, set)) {
      st |= ERDATA;
      note_fault(dp, PortionFault::kAllMasked, 0);
    }
  }
  return st;
}
