// polish_options.hpp: the command line of korvax-polish.
#pragma once

#include <string>
#include <vector>

#include "status.hpp"

struct PolishOptions {
  const char* input = nullptr;    // the korvax input file of the run
  const char* result = nullptr;   // its result file
  const char* history = nullptr;  // its history file (korvax -F), or null
  int rows = 50;                  // history rows taken: the best this many distinct signals
  int shift = -1;                 // shifts -shift..+shift; -1: half the word length
  std::vector<std::string> with;  // korvax options of the run, as typed to korvax
  const char* output = nullptr;   // -o: the polished result file (standard output without)
  bool help = false;
  bool version = false;
};

// Reads the arguments (argv[0] is the program name). Returns 0, or ERARG
// with ret_error saying what is wrong.
[[nodiscard]] Status parse_polish_args(int argc, const char* const* argv, PolishOptions& ret_opt,
                                       std::string& ret_error) noexcept;

// The help text.
[[nodiscard]] const char* polish_help() noexcept;
