// export_set.hpp: what korvax-export writes, gathered from a result file (and
// the input file) before any output is made.
#pragma once

#include <string>
#include <vector>

#include "motif.hpp"
#include "status.hpp"
#include "stats/evalue.hpp"
#include "../result_file/result_file.hpp"

struct ExportOptions {
  const char* meme = nullptr;  // output names; "-" is standard output
  const char* sites = nullptr;
  const char* bed = nullptr;
  const char* logo = nullptr;
  const char* json = nullptr;
  int place = 1;  // place k of the ranking
  Ranking ranking = Ranking::quality;
  bool by_evalue = false;        // the reported signal of least E-value (needs input)
  int portion = 0;               // 1-based; 0 = every portion
  const char* input = nullptr;   // the korvax input file of the run
  const char* result = nullptr;  // the result file
  bool version = false;          // --version
};

// One word (or word pair) of the exported signal.
struct ExportSite {
  int seq = 0;               // 1-based number in the data portion
  std::string name;          // the whole name (from the input when given), or "seq<N>"
  int start = 0, end = 0;    // 1-based, inclusive: the (first) word
  int spacing = 0;           // word pair: letters between the words
  int start2 = 0, end2 = 0;  // word pair: the second word
  std::string word, word2;   // upper case, as read on their strand
  char strand = '+';         // both words lie on it ('-': the reverse strand, -RC)
  int prox_sum = 0;
  int average = 0;  // x100
};

struct ExportPortion {
  int number = 0;                          // 1-based, in the run
  const ReportedResult* result = nullptr;  // nullptr: nothing to export (see missing)
  std::string missing;                     // why nothing is exported
  int l = 0, l2 = 0;
  int spacing_min = 0, spacing_max = 0;  // word pair: over the sites
  std::vector<MotifMatrix> motifs;       // one, or two for a word pair
  std::vector<ExportSite> sites;
  std::vector<int> lengths;  // with the input: every sequence's length (the E-value's alignments)
  int smin = 0, smax = 0;    // word pair: the spacings searched (the parameters', else the sites')
  SignalStats stats;         // significance of the sites; an E-value only with the input
};

struct ExportSet {
  std::string source;  // the result file as named
  Ranking ranking = Ranking::quality;
  bool by_evalue = false;
  int place = 1;
  int runs = 1;  // runs in the result file; the last is exported
  MotifAlphabet abc;
  bool alphabet_guessed = false;   // told by the letters (no echo of the arguments)
  std::vector<double> background;  // one frequency per letter
  bool background_from_input = false;
  std::string background_source =
      "uniform";              // "input", "uniform", or a -BG1 run's: "run_input", "run_weights"
  bool both_strands = false;  // the run read both strands (-RC)
  std::vector<ExportPortion> portions;
  [[nodiscard]] bool word_pairs() const noexcept;
  [[nodiscard]] int exported() const noexcept;  // portions with a result
};

// Gathers the export of o.place / o.ranking from the last run of rf (reading
// o.input when given, which must match the result). Returns 0; ERARG when the
// portion asked for does not exist; ERDATA when nothing can be exported or the
// input does not match; ERIO when the input cannot be read; err says why.
// ret points into rf, which must outlive it.
[[nodiscard]] Status build_export(const ResultFile& rf, const ExportOptions& o, ExportSet& ret,
                                  std::string& err) noexcept;
