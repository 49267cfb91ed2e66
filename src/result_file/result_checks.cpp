// result_checks.cpp: the result file after the reader's pass: every word has
// its portion's word lengths and every letter the run's alphabet; and whether
// a run was finished.
#include "result_reading.hpp"

#include <cctype>
#include <cstring>

#include "alphabet.hpp"

namespace result_reading {
namespace {

bool only_letters(const std::string& s, const char* letters) {
  for (char c : s)
    if (std::strchr(letters, std::tolower(static_cast<unsigned char>(c))) == nullptr || c == '\0')
      return false;
  return true;
}

Status fail_at(ResultError& err, int line, std::string what) {
  err.line = line;
  err.what = std::move(what);
  return ERDATA;
}

// Word lengths from the parameters or the words; every word must have them,
// and a word pair its second word after its spacing.
Status check_words(ResultPortion& p, ResultError& err) {
  p.l = p.params.known ? p.params.l : 0;
  p.l2 = p.params.known ? p.params.l2 : 0;
  for (const ReportedResult& r : p.results)
    for (const ReportedWord& w : r.words) {
      if (!w.has_word) continue;
      if (p.l == 0) {
        p.l = static_cast<int>(w.word.size());
        p.l2 = static_cast<int>(w.word2.size());
      }
      if (static_cast<int>(w.word.size()) != p.l || static_cast<int>(w.word2.size()) != p.l2 ||
          (p.l2 == 0) != (w.start2 == 0))
        return fail_at(err, r.line,
                       "the words of a reported result do not have the word lengths of their data portion");
      // On the reverse strand (-RC) the given strand's places run backwards:
      // the second word stands its spacing before the first.
      const int start2 = w.strand == '-' ? w.start - w.spacing - p.l2 : w.start + p.l + w.spacing;
      if (p.l2 != 0 && (w.start2 != start2 ||
                        (p.params.spacing_given && !within(w.spacing, p.params.smin, p.params.smax))))
        return fail_at(err, w.line,
                       "the second word of a word pair does not start at its spacing after the first, "
                       "within the spacings of its data portion");
    }
  return 0;
}

// A listed sequence's letters without the junction that joins its two
// strands under -RC (korvax lists them as given|reverse complement).
std::string listed_letters(const ResultPortion& p, const std::string& letters) {
  const std::size_t bar = letters.find('|');
  if (!p.params.both_strands || bar == std::string::npos) return letters;
  return letters.substr(0, bar) + letters.substr(bar + 1);
}

// The alphabet from the echo, or from the letters when there is none (any
// letter of the amino acids that is not a nucleotide's); a letter outside
// it is refused.
Status check_alphabet(ResultRun& run, ResultError& err) {
  if (!run.settings_known) {
    bool dna = true, amino = true;
    const auto take = [&](const std::string& letters) {
      dna = dna && only_letters(letters, kNucleotides);
      amino = amino && only_letters(letters, kAminoAcids);
    };
    for (const ResultPortion& p : run.portions) {
      for (const ReportedResult& r : p.results)
        for (const ReportedWord& w : r.words) {
          take(w.word);
          take(w.word2);
        }
      if (!p.skipped)
        for (const ListedSequence& s : p.sequences) take(listed_letters(p, s.letters));
    }
    run.acid = !dna && amino;  // letters of neither alphabet: refused below as DNA's
    run.acid_guessed = true;
    // -BG1 weights name every letter of the alphabet: they tell it for sure.
    for (const ResultPortion& p : run.portions)
      if (p.params.background == 1) {
        run.acid = p.params.bg_acid;
        run.acid_guessed = false;
        break;
      }
  }
  for (const ResultPortion& p : run.portions)
    if (p.params.background == 1 && p.params.bg_acid != run.acid)
      return fail_at(err, p.line + 1,
                     std::string("the letter weights of the parameters line are of the ") +
                         (p.params.bg_acid ? "amino-acid" : "DNA") + " alphabet, the run's is " +
                         (run.acid ? "amino-acid" : "DNA"));
  const char* letters = run.acid ? kAminoAcids : kNucleotides;
  const std::string which =
      std::string(run.acid ? "amino-acid" : "DNA") + " alphabet (" + letters + ")" +
      (run.acid_guessed ? ", told by the letters as no echo of the arguments shows it" : "");
  for (const ResultPortion& p : run.portions) {
    for (const ReportedResult& r : p.results)
      for (const ReportedWord& w : r.words)
        if (!only_letters(w.word, letters) || !only_letters(w.word2, letters))
          return fail_at(err, w.line, "a word holds a letter outside the run's " + which);
    if (!p.skipped)
      for (const ListedSequence& s : p.sequences)
        if (!only_letters(listed_letters(p, s.letters), letters))
          return fail_at(err, s.line, "a listed sequence holds a letter outside the run's " + which);
  }
  return 0;
}

}  // namespace

Status finish(ResultFile& file, ResultError& err) {
  for (ResultRun& run : file.runs) {
    for (ResultPortion& p : run.portions)
      if (Status st = check_words(p, err); st != 0) return st;
    if (Status st = check_alphabet(run, err); st != 0) return st;
  }
  return 0;
}

}  // namespace result_reading

bool run_unfinished(const ResultRun& run) noexcept {
  if (run.ended) return false;
  for (const ResultPortion& p : run.portions)
    if (p.params.known) return true;
  return false;
}

const char* unfinished_run_text() noexcept {
  return "the run has no closing \"Global RC\" line: korvax did not finish it (killed, or still running), "
         "so its last data portion may be missing or cut; refused";
}
