// history_writer.hpp: the history file (-F) of a data portion, one row per
// result. Read back by history_file.hpp, beside it.
#pragma once

#include "status.hpp"
#include "../result_file/report_writer.hpp"

// Writes the history of the portion into env.history (nothing when it is
// null): a header line, then one row per result, each P record followed by
// its Q-list in sending order. Returns 0 or ERIO.
[[nodiscard]] Status write_history(const ReportEnv& env) noexcept;
