// run_driver.hpp: the program's entry, run in every task of the MPI job.
#pragma once

#include "status.hpp"
#include "task_context.hpp"

// Runs korvax in this task and returns its run status (the exit code).
[[nodiscard]] Status run_korvax(int argc, char** argv) noexcept;

// Releases what a processed portion left on the root task (records, task
// tables, pair table). Does nothing when they are empty.
void free_portion(TaskContext& ctx) noexcept;
