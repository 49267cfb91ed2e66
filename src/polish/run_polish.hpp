// run_polish.hpp: the korvax-polish program.
#pragma once

#include "status.hpp"

// Runs korvax-polish on its command line; the returned status word is the
// exit code: 0, ERARG (usage, a --with option korvax refuses), ERDATA (a file
// that is not what it should be, settings that do not reproduce the run's
// qualities), ERIO, ERMEM, ERINT.
[[nodiscard]] Status run_polish(int argc, char** argv) noexcept;
