// run_prep.hpp: korvax-prep from its arguments to its exit code.
#pragma once

#include "status.hpp"

// Reads the input named in argv, checks and fixes it, writes korvax input
// and reports on standard error. Returns 0, or an OR of ERARG (command
// line), ERDATA (not usable, nothing written), ERIO and ERMEM.
[[nodiscard]] Status run_prep(int argc, const char* const* argv) noexcept;
