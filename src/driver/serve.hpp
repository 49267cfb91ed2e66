// serve.hpp: what a secondary task does with a data portion it processes.
#pragma once

#include "status.hpp"
#include "task_context.hpp"

// Prepares the proximity of the portion, then evaluates the permutations the
// root task sends until its stop message. Returns the task status: 0 when the
// portion ended with the stop message and nothing failed.
[[nodiscard]] Status serve_portion(TaskContext& ctx) noexcept;
