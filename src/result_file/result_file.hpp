// result_file.hpp: a korvax result file, read back into plain records.
// (report_writer.hpp, beside it, writes the report's part of it.)
//
// The companion programs (korvax-export, korvax-polish) read what korvax
// wrote: the runs in the file (one, or several with -A), the data portions of
// each run with their parameters lines, sequence list and skip line, and every
// block of the best-results report with its sequence lines. Any diagnostics
// level at which the report is written can be read (0 to 4); what a level does
// not write is marked unknown. Lines of the copied secondary files and other
// diagnostics are passed over.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "settings.hpp"
#include "status.hpp"
#include "../scheduler/ranking.hpp"

// One sequence line of a reported result.
struct ReportedWord {
  int line = 0;           // line number in the file
  int seq = 0;            // 1-based number of the sequence in its data portion
  std::string name;       // as printed: cut to the name width, padding removed
  bool has_word = false;  // false: the sequence stays out of the signal
  int start = 0;          // 1-based start of the (first) word
  int start2 = 0;         // word pair: 1-based start of the second word, else 0
  int spacing = 0;        // word pair: letters between the two words, else 0
  std::string word;       // the (first) word's letters, as printed
  std::string word2;      // word pair: the second word's letters
  char strand = 0;        // both strands (-RC): '+' or '-' behind the start(s); else 0
  int prox_sum = 0;       // proximity sum of the sequence
  int average = 0;        // per-sequence average, x100
};

// One block of the best-results report.
struct ReportedResult {
  Ranking ranking = Ranking::quality;
  int line = 0;           // line number of the title in the file
  int place = 0;          // k of "#k"
  int serial = 0;         // serial of the permutation that found the signal
  int sent = 0;           // permutations sent in the portion
  int power = 0;          // sequences with a word
  int quality = 0;        // x100
  int avg_proximity = 0;  // x100
  bool has_perm = false;  // the permutation line (diagnostics level 2 and above)
  int p_index = -1;
  int q_index = -1;                 // -1 for a P-permutation
  std::vector<int> perm;            // 1-based sequence numbers, as printed
  int name_width = -1;              // width of the names in its lines (-1: no line shows it)
  std::vector<ReportedWord> words;  // in sequence order; sequences without a value have no line
};

// The parameters lines of a data portion (diagnostics level 1 and above).
struct PortionParams {
  bool known = false;
  int n = 0, logn = 0, nn = 0, m = 0, l = 0, l2 = 0, mw = 0;
  int threshold = 0, pairs = 0, mincover = 0, aftermax = 0;
  bool motif_given = false, motif2_given = false;
  std::string motif, motif2;
  int leff = 0, leff2 = 0;
  bool bonus_given = false;
  int a_bonus = 0, a_penalty = 0;
  bool both_strands = false;   // "strands=both" (-RC)
  bool mask_lower = false;     // "masked=lower" (-K)
  bool spacing_given = false;  // word pairs only
  int smin = 0, smax = 0;
  std::vector<int> penalty;  // one per spacing smin..smax
  int background = 0;        // 1: "background=1 (quarter bits)  weights=..." (-BG1)
  bool bg_acid = false;      // the weights name the amino acids' letters (else actg)
  int bg_weight[26] = {};    // -BG1: quarter bits of each letter a..z of that alphabet
};

// A line of the sequence list (diagnostics level 2 and above).
struct ListedSequence {
  int line = 0;  // line number in the file
  int seq = 0;
  std::string name;     // padding removed
  std::string letters;  // as normalised by korvax
};

struct ResultPortion {
  int number = 0;        // 1-based, in the order of the run
  int line = 0;          // first line of the portion in the file
  bool skipped = false;  // "Data portion skipped due to errors"
  PortionParams params;
  std::vector<ListedSequence> sequences;
  std::vector<ReportedResult> results;  // in file order
  int l = 0, l2 = 0;                    // word lengths: from the parameters, else from the words
};

struct ResultRun {
  int line = 0;                        // first line of the run
  std::vector<std::string> arguments;  // the echo (level 2 and above); [0] is the program
  bool settings_known = false;         // settings replayed from the echo
  Settings settings;                   // the run's settings when known, else defaults
  bool acid = false;                   // amino-acid alphabet
  bool acid_guessed = false;           // told by the letters, not by the echo
  bool ended = false;                  // the "Global RC" line was read
  int global_rc = 0;
  std::vector<ResultPortion> portions;
};

struct ResultFile {
  std::vector<ResultRun> runs;  // in file order; korvax -A appends runs
};

// Where reading stopped, and why.
struct ResultError {
  int line = 0;  // 0: not tied to one line
  std::string what;
};

// Reads a korvax result file from in. Returns 0; ERDATA when the text is not
// a korvax result file or a line of its report cannot be read (err tells
// where and why); ERIO on a read error; ERMEM.
[[nodiscard]] Status read_result_file(std::FILE* in, ResultFile& ret, ResultError& err) noexcept;

// The same for the file at path ("-": standard input); ERIO when it cannot be
// opened.
[[nodiscard]] Status read_result_path(const char* path, ResultFile& ret, ResultError& err) noexcept;

// A run written at -D1 or above (it has parameters lines) that lacks its
// closing "Global RC" line: killed, or still running. (At -D0 korvax writes
// no closing line, so such a run cannot be told from a finished one.)
[[nodiscard]] bool run_unfinished(const ResultRun& run) noexcept;

// Why the companion programs refuse an unfinished run, in words for a message.
[[nodiscard]] const char* unfinished_run_text() noexcept;

// The result of a ranking at a place of a portion, or nullptr. korvax prints
// the best by avg proximity apart only when it is another signal than the best
// by quality, so a missing avg proximity block is the quality block's signal.
[[nodiscard]] const ReportedResult* find_result(const ResultPortion& p, Ranking r, int place) noexcept;

// Letter weights (-BG1) for a message, as the parameters line shows them:
// "a:6,c:10,t:7,g:11" (the alphabet's letters in korvax's order).
[[nodiscard]] std::string letter_weights_text(const int* weight, bool acid);

// Applies the korvax options among args[first...] (the arguments that start
// with '-' or '/') to s, as korvax's parser does; the derived settings are not
// made. False when korvax would refuse one of them (or take it as a request for
// help); ret_refused then names the first.
[[nodiscard]] bool apply_arguments(const std::vector<std::string>& args, std::size_t first, Settings& s,
                                   std::string* ret_refused = nullptr) noexcept;
