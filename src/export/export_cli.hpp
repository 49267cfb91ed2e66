// export_cli.hpp: the korvax-export program.
#pragma once

#include "status.hpp"

// Runs korvax-export on its command line; the returned status word is the
// exit code: 0, ERARG (usage), ERDATA (not a korvax result, nothing to
// export, input that does not match), ERIO (a file), ERMEM.
[[nodiscard]] Status run_export(int argc, char** argv) noexcept;
