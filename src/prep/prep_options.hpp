// prep_options.hpp: the command line of korvax-prep.
#pragma once

#include <string>

#include "status.hpp"

enum class AlphabetChoice { guess, dna, protein };

// What becomes of a sequence holding letters outside the alphabet.
enum class AmbiguousRule { refuse, drop, cut };

struct PrepOptions {
  const char* input = nullptr;   // a path, or "-" for standard input
  const char* output = nullptr;  // null: standard output
  AlphabetChoice alphabet = AlphabetChoice::guess;
  AmbiguousRule ambiguous = AmbiguousRule::refuse;
  bool split = false;         // more than 256 sequences: several data portions
  int name_width = 0;         // names cut to this many characters; 0 = whole names
  bool unique_names = false;  // duplicate names get _2, _3, ...; refused without
  bool keep_case = false;     // letters keep their case (korvax reads any case)
  bool help = false;
  bool version = false;
};

// Reads the arguments (argv[0] is the program name). Returns 0, or ERARG
// with ret_error saying what is wrong.
[[nodiscard]] Status parse_prep_args(int argc, const char* const* argv, PrepOptions& ret_opt,
                                     std::string& ret_error) noexcept;

// The help text.
[[nodiscard]] const char* prep_help() noexcept;
