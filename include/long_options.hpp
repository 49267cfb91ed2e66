// long_options.hpp: the "--name value" and "--name=value" options of the
// companion programs, matched against one table per program.
//
// The matcher only reads: it says which row an argument names and where its
// value is, or what is wrong with it. Each program turns the outcome into its
// own message and status, so their wordings stay what their manuals show.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// One long option: its name after "--", whether it takes a value, the
// program's own code for it (an enum value), and its one-letter short form
// (0 for none; the short forms are each program's own business).
struct LongOption {
  const char* name;
  bool takes_value;
  int key;
  char letter = 0;
};

// How a program treats what its table does not name.
struct LongRules {
  bool unknown_takes_value = false;  // "--other x": the x belongs to the unknown option
  bool empty_is_missing = false;     // "--name=" and "--name ''" lack a value
};

enum class LongOutcome {
  matched,  // option names the row; value is its value (null for a flag)
  unknown,  // no row of that name, or a flag given "=value"
  missing,  // the row (or, by the rules, the unknown name) needs a value that is not there
};

struct LongMatch {
  LongOutcome outcome = LongOutcome::unknown;
  const LongOption* option = nullptr;  // the row, when matched
  std::string_view name;               // "--name" as typed, without "=value"
  const char* value = nullptr;         // the value, when there is one
  bool attached = false;               // the value came with "=" in the same argument
};

// Matches argv[i], an argument that starts with "--", against the table. A
// value not attached with "=" is the next argument, whatever it looks like;
// i is then advanced past it.
[[nodiscard]] LongMatch match_long(std::span<const LongOption> table, LongRules rules, int argc,
                                   const char* const* argv, int& i) noexcept;

// The row of the table with that short letter, or null.
[[nodiscard]] const LongOption* find_letter(std::span<const LongOption> table, char letter) noexcept;
