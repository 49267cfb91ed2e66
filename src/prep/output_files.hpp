// output_files.hpp: korvax-prep's output file and its map, written whole
// or not at all, and never over the input.
#pragma once

#include "prep_options.hpp"
#include "prep_plan.hpp"
#include "status.hpp"

// ERARG, with a message on standard error, when the output named with -o
// (or its map) is the input file: compared by device and inode, so that a
// link, another spelling or the input given as standard input are found.
// May throw std::bad_alloc.
[[nodiscard]] Status check_output_is_not_input(const PrepOptions& opt);

// Writes the korvax input to output and, beside a regular file (beside the
// file a symbolic link names), its map output.map. Both are written under
// temporary names in their directory and renamed only when both are
// complete; a stop signal (SIGTERM, SIGINT, SIGHUP) is held meanwhile and
// leaves the old files. A target that is not a regular file is written in
// place, without a map. Returns 0, or ERIO or ERMEM with a message on
// standard error.
[[nodiscard]] Status write_whole_files(const char* output, const PrepPlan& plan) noexcept;
