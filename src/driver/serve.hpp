// serve.hpp: what a secondary task does with a data portion it processes.
#pragma once

#include "serve_port.hpp"
#include "status.hpp"
#include "task_context.hpp"

// Prepares the proximity of the portion, then evaluates the permutations the
// root task sends through the port until its stop message, whose word
// becomes the run status. A task whose own file has failed (now or in an
// earlier portion) gives up: it sends its status, then waits for the stop
// message. Returns the task status: 0 when the portion ended with the stop
// message and nothing failed.
[[nodiscard]] Status serve_portion(TaskContext& ctx, ServePort& port) noexcept;
