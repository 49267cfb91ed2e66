// fuzz_results.cpp: the result file reader of korvax-export and
// korvax-polish, fed random result files.
//
// The input is the file. The reader must return (never abort, never throw)
// with 0 or a status and a reason; a file it accepts must hold only what
// korvax can write, which is what the programs after it rely on: word
// lengths 1..64, sequence numbers increasing within 1..256, word starts
// within a line's letters (so that start + l - 1 cannot overflow), a word
// pair's second word at its spacing, the letters of the run's alphabet, one
// penalty per spacing, a serial below the permutations sent.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "alphabet.hpp"
#include "check.hpp"
#include "portion.hpp"
#include "result_file/result_file.hpp"

namespace {

bool in_alphabet(const std::string& word, const char* letters) {
  for (char c : word)
    if (c == '\0' || std::strchr(letters, c | 0x20) == nullptr) return false;
  return true;
}

void check_portion(const ResultPortion& p, const char* letters) {
  FUZZ_CHECK(p.l >= 0 && p.l <= kMaxWordLen && p.l2 >= 0 && p.l2 <= kMaxWordLen);
  if (p.params.known) {
    FUZZ_CHECK(p.params.l >= 1 && p.params.l <= kMaxWordLen);
    if (p.params.spacing_given)
      FUZZ_CHECK(p.params.smin >= 0 && p.params.smin <= p.params.smax && p.params.smax <= kMaxSpacing &&
                 p.params.penalty.size() == static_cast<std::size_t>(p.params.smax - p.params.smin + 1));
  }
  for (const ReportedResult& r : p.results) {
    FUZZ_CHECK(r.place >= 1 && r.serial >= 0 && r.serial < r.sent && r.power >= 0 && r.power <= kMaxSeqs);
    int last = 0;
    for (const ReportedWord& w : r.words) {
      FUZZ_CHECK(w.seq > last && w.seq <= kMaxSeqs);
      last = w.seq;
      if (!w.has_word) continue;
      FUZZ_CHECK(w.start >= 1 && w.start <= kMaxLetters && static_cast<int>(w.word.size()) == p.l);
      FUZZ_CHECK(in_alphabet(w.word, letters) && in_alphabet(w.word2, letters));
      if (p.l2 != 0)
        FUZZ_CHECK(w.start2 == w.start + p.l + w.spacing && w.start2 <= kMaxLetters &&
                   static_cast<int>(w.word2.size()) == p.l2);
    }
    for (int v : r.perm) FUZZ_CHECK(v >= 1 && v <= static_cast<int>(r.perm.size()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (in == nullptr) return 0;
  ResultFile rf;
  ResultError err;
  const Status st = read_result_file(in, rf, err);
  std::fclose(in);
  FUZZ_CHECK(st == 0 || st == ERDATA || st == ERMEM);
  FUZZ_CHECK((st == 0) == err.what.empty());
  if (st != 0) return 0;
  FUZZ_CHECK(!rf.runs.empty());
  for (const ResultRun& run : rf.runs) {
    (void)run_unfinished(run);
    const char* letters = run.acid ? kAminoAcids : kNucleotides;
    for (const ResultPortion& p : run.portions) {
      check_portion(p, letters);
      for (int place = 1; place <= 3; ++place)
        for (Ranking k : {Ranking::quality, Ranking::avg_proximity}) (void)find_result(p, k, place);
    }
  }
  return 0;
}
