// run_find.hpp: the korvax-find program, from a FASTA file to a motif page.
#pragma once

#include "status.hpp"

// Runs korvax-find on its command line. Returns the exit code: 0; 1 a bad
// argument or an existing folder; 2 a step that failed (the folder so far is
// kept under DIR.partial-PID and named); 130 interrupted (nothing is left).
[[nodiscard]] int run_find(int argc, char** argv) noexcept;
