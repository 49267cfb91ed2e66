// history_file.hpp: a korvax history file (-F), read back into plain records.
//
// The history holds, per processed data portion, a header line and one
// tab-separated row per evaluated permutation: its serial, P and Q numbers,
// power, new words, quality and avg proximity, then per sequence the word's
// start(s), letters, proximity sum and percent value, then the permutation.
// Every row is printed again with korvax's own formats (history_layout.hpp,
// which history_writer.cpp writes with) and must come out the same.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "../result_file/result_file.hpp"
#include "status.hpp"

// One sequence of a row.
struct HistoryWord {
  bool has_word = false;    // false: the text column is empty
  int start = 0;            // 1-based start of the (first) word, as printed
  int start2 = 0;           // word pair: 1-based start of the second word, else 0
  int spacing = 0;          // word pair: letters between the two words
  std::string word, word2;  // the letters, as printed
  char strand = 0;          // both strands (-RC): '+' or '-' behind the start(s); else 0
  int prox_sum = 0;
  int average = 0;  // x100
};

struct HistoryRow {
  int line = 0;  // line number in the file
  int serial = 0, p_index = 0, q_index = -1, power = 0, new_words = 0;
  int quality = 0;                 // x100
  int avg_proximity = 0;           // x100
  std::vector<HistoryWord> words;  // one per sequence, in data-portion order
  std::vector<int> perm;           // 1-based sequence numbers
};

struct HistoryPortion {
  int line = 0;                    // line of the header
  std::vector<std::string> names;  // as printed: cut and padded to the name width
  std::vector<HistoryRow> rows;    // in file order
};

struct HistoryFile {
  std::vector<HistoryPortion> portions;  // one per header line, in file order
};

// Reads a history file from in, whose word pairs (l2 > 0) or single words
// (l2 = 0) have the word lengths l and l2. Returns 0; ERDATA when a line is
// not a history line of those words (err tells where and why); ERIO when the
// file cannot be opened or read; ERMEM.
[[nodiscard]] Status read_history_file(std::FILE* in, int l, int l2, HistoryFile& ret,
                                       ResultError& err) noexcept;

// The same for the file at path; ERIO when it cannot be opened.
[[nodiscard]] Status read_history_path(const char* path, int l, int l2, HistoryFile& ret,
                                       ResultError& err) noexcept;

// korvax writes one row per permutation sent: the rows of h must be those of
// serials 0..sent-1, each once. Returns 0, or ERDATA (err names the line:
// a row of another serial, or fewer rows, as in a cut file); ERMEM.
[[nodiscard]] Status check_history_rows(const HistoryPortion& h, int sent, ResultError& err) noexcept;
