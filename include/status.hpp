// status.hpp: the status word that every korvax operation returns.
//
// A status is a 32-bit set of flags, 0 for success. A task ORs every status
// it is handed into its run status, prints it as one word after "RC:" and
// "Global RC:", and leaves with it as the process exit code.
#pragma once

#include <cstdint>

using Status = std::uint32_t;

inline constexpr Status ERARG = 0x1;    // bad command-line argument
inline constexpr Status ERDATA = 0x2;   // bad data in a data portion (portion skipped)
inline constexpr Status ERIO = 0x4;     // a file cannot be opened, read, written, flushed, closed
inline constexpr Status EODATA = 0x8;   // end of the input file (portion status only)
inline constexpr Status ERMEM = 0x10;   // a memory request failed
inline constexpr Status HELP = 0x20;    // help asked for: stop without work, no status line
inline constexpr Status EDEBUG = 0x40;  // reserved; printed when present, set by nothing
inline constexpr Status ERINT = 0x80;   // internal error (no result, no free slot, bad tree)
inline constexpr Status ERMPI = 0x100;  // fewer than 2 tasks

// The printed word of a status: " OK" for 0, else the name of the first flag
// set in the order ERARG, ERDATA, ERIO, EODATA, ERMEM, EDEBUG, ERINT, ERMPI,
// with its leading blank; "" when none of them is set (HELP alone).
[[nodiscard]] const char* status_word(Status s) noexcept;
