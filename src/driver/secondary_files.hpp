// secondary_files.hpp: the end-of-run copy of the secondary files into the
// result file, and their removal.
#pragma once

#include "task_context.hpp"

// Runs in the shutdown sequence on every task (not with HELP, not with -Z S).
// With -Z A at diagnostics level 2 and above each secondary task sends its
// file line by line and the root task writes it into the result file, in
// task order after a separator; then every secondary file is removed.
void merge_secondary_files(TaskContext& ctx) noexcept;
