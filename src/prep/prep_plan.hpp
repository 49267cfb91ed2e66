// prep_plan.hpp: what korvax-prep writes, and what it has to say about it.
//
// The plan holds the sequences as korvax will hold them (lower case, u read
// as t for nucleotides, nothing that korvax drops), their split into data
// portions, every finding about the input and the count of every change.
#pragma once

#include <string>
#include <vector>

#include "fasta.hpp"
#include "prep_options.hpp"
#include "status.hpp"

enum class NoteKind {
  letters,
  empty,
  too_long,
  name_too_long,
  name_cut,
  name_zero,
  unnamed,
  duplicate,
  count
};

// One finding: an error makes the input unusable, anything else is a warning.
struct Note {
  bool error = false;
  NoteKind kind = NoteKind::count;
  long line = 0;  // 0: about the whole file
  std::string text;
};

struct PrepSeq {
  std::string name;               // as written after the name mark
  std::string letters;            // as korvax holds them (their case kept with --keep-case)
  std::size_t offset = 0;         // letters of its record before the first one written
  std::string record_name;        // the name of its record in the file
  std::size_t record_length = 0;  // the letters of its record
};

struct PrepChanges {
  int described = 0;             // headers whose description is left out
  long dropped_chars = 0;        // characters of "-_=" left out
  long u_to_t = 0;               // u read as t
  int ambiguous_dropped = 0;     // sequences left out for letters outside the alphabet
  int ambiguous_cut = 0;         // sequences cut to their longest clean part
  int empty_dropped = 0;         // sequences without a letter
  int names_cut = 0;             // names cut to the name width
  int names_suffixed = 0;        // duplicate names made unique (--unique-names)
  long case_folded = 0;          // upper-case letters written in lower case
  long blanks = 0;               // blanks inside sequence lines left out
  long crlf = 0, cr = 0;         // line ends CR LF and lone CR written as LF
  bool byte_order_mark = false;  // a UTF-8 mark at the start left out
};

// Sequence lengths: the smallest, the median, the greatest.
struct LengthSummary {
  int min = 0, max = 0;
  double median = 0;
};

struct PrepPlan {
  bool acid = false;
  bool guessed = false;         // the alphabet was guessed from the letters
  double nucleotide_share = 0;  // of the letters: a, c, g, t, u or n
  int records = 0;              // records read
  std::vector<PrepSeq> seqs;    // what is written, in file order
  std::vector<int> portions;    // sequences per data portion, in order
  std::vector<Note> notes;
  PrepChanges changes;
  LengthSummary lengths;  // of the sequences written
  int errors = 0;
};

// Checks and fixes the records as the options say. Returns 0 when the plan
// can be written, ERDATA when it cannot (the notes say why), ERMEM.
[[nodiscard]] Status make_plan(const FastaInput& in, const PrepOptions& opt, PrepPlan& ret_plan) noexcept;
