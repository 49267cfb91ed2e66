// root_portion.hpp: what the root task does with a data portion it processes.
#pragma once

#include "task_context.hpp"

// Builds the P-list, runs the dispatch loop, writes the history and the
// best-results report and the portion's status lines. Returns true when the
// root task leaves the run after this portion (every secondary task has then
// received its stop message).
[[nodiscard]] bool root_portion(TaskContext& ctx) noexcept;
