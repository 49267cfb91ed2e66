// run_driver.hpp: the program's entry, run in every task of the MPI job.
#pragma once

#include "status.hpp"
#include "task_context.hpp"

// Runs korvax in this task and returns its run status (the exit code).
[[nodiscard]] Status run_korvax(int argc, char** argv) noexcept;

// The process exit status of a run status. An exit status keeps 8 bits: a
// status that fits is the exit status as it is; one with a flag above them
// (ERMPI) keeps its low 8 bits and adds EDEBUG's bit, which nothing sets, so
// that a failed run never exits with 0.
[[nodiscard]] int exit_status(Status run_status) noexcept;

// Releases what a processed portion left on the root task (records, task
// tables, pair table). Does nothing when they are empty.
void free_portion(TaskContext& ctx) noexcept;
