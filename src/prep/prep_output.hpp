// prep_output.hpp: everything korvax-prep writes: the korvax input on its
// output, the findings and the summary on standard error.
#pragma once

#include <cstdio>

#include "prep_plan.hpp"

// The data portions of the plan: a name line and one line per sequence, an
// empty line between portions. Returns 0, or ERIO when writing fails.
[[nodiscard]] Status write_korvax_input(std::FILE* out, const PrepPlan& plan) noexcept;

// The map beside the korvax input: for every sequence its data portion, its
// number there, its name, and the name of its record, the letters of the
// record before its first letter, the record's length and the letters
// written. Returns 0, or ERIO when writing fails.
[[nodiscard]] Status write_origin_map(std::FILE* out, const PrepPlan& plan) noexcept;

// The findings, "FILE:LINE: error: ..." or "FILE:LINE: warning: ...", at
// most ten of a kind, then how many more there are.
void print_notes(std::FILE* err, const char* file, const PrepPlan& plan) noexcept;

// The summary: sequences and data portions (or nothing written, when
// write_failed), lengths, alphabet, changes.
void print_summary(std::FILE* err, const char* file, bool fastq, const PrepPlan& plan,
                   bool write_failed) noexcept;
