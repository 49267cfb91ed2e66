// cmdline.hpp: the command-line parser, the help text and derived settings.
#pragma once

#include <cstdio>

#include "settings.hpp"
#include "status.hpp"

// Reads a decimal integer as korvax reads every number of the command line:
// leading blanks, an optional sign, then digits up to the first other
// character; no digits read as 0. Values beyond int saturate.
[[nodiscard]] int read_number(const char* s) noexcept;

// Applies one option argument (arg[0] is '-' or '/') to set, as the parse
// does. Returns false when the option is invalid; sets *help when help is
// asked for.
[[nodiscard]] bool apply_option(const char* arg, Settings& set, bool* help) noexcept;

// Parses argv[1..argc-1] for task `task`: fills `set`, opens the input file,
// the task's output file and (root task, -F) the history file into `files`,
// and derives l, l2, leff, leff2, threshold, S and the penalty list.
// The root task prints the help, "Invalid argument" and the echo; every task
// prints its own "Cannot open" messages on standard error.
// Returns 0 or an OR of ERARG, ERDATA, ERIO, ERMEM and HELP.
[[nodiscard]] Status parse_command_line(int argc, char** argv, int task, Settings& set,
                                        RunFiles& files) noexcept;

// What the derivation refused, in words for the user (empty when nothing).
struct Complaint {
  char text[256] = {};
};

// The settings derived after the scan: the motif checks with leff and leff2,
// the threshold, S and the spacing penalty list. Returns 0, ERARG or ERMEM;
// on ERARG, says why into *why when given.
[[nodiscard]] Status derive_settings(Settings& set, Complaint* why = nullptr) noexcept;

// Writes the help text (the defaults of the Settings record, whatever the
// options in force) to f.
void print_help(std::FILE* f) noexcept;
