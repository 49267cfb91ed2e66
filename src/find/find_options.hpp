// find_options.hpp: the command line of korvax-find.
#pragma once

#include <string>
#include <vector>

#include "status.hpp"

struct FindOptions {
  std::string out;                       // --out DIR
  int tasks = 0;                         // --tasks N (0: the number of cores, at least 2)
  bool force = false;                    // --force: replace a DIR made by korvax-find
  std::string input;                     // FASTA, gzip or korvax input
  std::vector<std::string> korvax_args;  // options passed to korvax as given
  int perm_limit = 10000;                // korvax's -U, for the progress line
  bool acid = false;                     // korvax's -ACID: korvax-prep --protein
  bool help = false, version = false;
};

// Parses argv into o. Returns 0, HELP (--help or --version) or ERARG with a
// message on standard error. korvax's own options are checked by korvax's
// own table of options, so that a bad one is refused before anything runs.
[[nodiscard]] Status parse_find_options(int argc, char** argv, FindOptions& o);

extern const char* const kFindUsage;
