// fuzz_history.cpp: the history file reader of korvax-polish, fed random
// history files.
//
// The first two bytes choose the word lengths (l 1..64; l2 0, or 1..64); the
// rest is the file. The reader must return (never abort, never throw) with
// 0 or a status and a reason; a file it accepts must hold only what korvax
// can write: 2..256 sequences per header, one word column per sequence in
// every row, word starts within a line's letters, a word pair's second word
// at its spacing, every permutation an order of the sequences. The row check
// against the permutations sent (the third byte) must return as well.
#include <cstdint>
#include <cstdio>

#include "check.hpp"
#include "portion.hpp"
#include "history_file/history_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int l = 1 + data[0] % kMaxWordLen;
  const int l2 = (data[1] & 0x80) != 0 ? 1 + data[1] % kMaxWordLen : 0;
  const int sent = data[2];
  std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data + 3), size - 3, "r");
  if (in == nullptr) return 0;
  HistoryFile hf;
  ResultError err;
  const Status st = read_history_file(in, l, l2, hf, err);
  std::fclose(in);
  FUZZ_CHECK(st == 0 || st == ERDATA || st == ERMEM);
  FUZZ_CHECK((st == 0) == err.what.empty());
  if (st != 0) return 0;
  for (const HistoryPortion& h : hf.portions) {
    const std::size_t n = h.names.size();
    FUZZ_CHECK(n >= 2 && n <= static_cast<std::size_t>(kMaxSeqs));
    for (const HistoryRow& r : h.rows) {
      FUZZ_CHECK(r.words.size() == n && r.perm.size() == n && r.serial >= 0);
      for (const HistoryWord& w : r.words) {
        if (!w.has_word) continue;
        FUZZ_CHECK(w.start >= 1 && w.start <= kMaxLetters && static_cast<int>(w.word.size()) == l);
        if (l2 != 0)
          FUZZ_CHECK(w.start2 == w.start + l + w.spacing && static_cast<int>(w.word2.size()) == l2);
      }
      for (int v : r.perm) FUZZ_CHECK(v >= 1 && v <= static_cast<int>(n));
    }
    ResultError rows;
    const Status rs = check_history_rows(h, sent, rows);
    FUZZ_CHECK(rs == 0 || ((rs == ERDATA || rs == ERMEM) && !rows.what.empty()));
  }
  return 0;
}
