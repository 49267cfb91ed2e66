// options.hpp: korvax's options as one table.
//
// Every option is one row: the letters after the dash, the kind of value, the
// setting it fills, the range accepted and its help line. The parse, the help
// text and the tests read the same rows, so that an option, its default and
// its help line are written once.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <span>

#include "settings.hpp"

enum class OptionKind : unsigned char {
  kHelp,     // -H, -?: help asked for; whatever follows is ignored
  kFlag,     // switched on; whatever follows is ignored
  kNumber,   // a whole number in lo..hi
  kDigits,   // a whole number in lo..hi written with digits alone (no sign, no blank)
  kMinutes,  // a whole number of minutes in lo..hi, held in seconds
  kChoice,   // a letter of `letters` (standing for lo, lo + 1, ...), or a number in lo..hi
  kDigit,    // exactly the character lo or hi, as a digit (-X)
  kMotif,    // a text between single quotes, at most 64 characters
  kText,     // the rest of the argument, at most 79 characters kept
};

// Reads or writes the setting of a row. A row names its setting once, as
// `field<&Settings::l>`, whatever the setting's type (int, enum, bool).
struct OptionField {
  void (*store)(Settings&, int) noexcept = nullptr;
  int (*load)(const Settings&) noexcept = nullptr;
};

template <auto member>
constexpr OptionField field() noexcept {
  return {[](Settings& s, int v) noexcept {
            using T = std::remove_reference_t<decltype(s.*member)>;
            s.*member = static_cast<T>(v);
          },
          [](const Settings& s) noexcept { return static_cast<int>(s.*member); }};
}

struct OptionRow {
  const char* name;  // the letters after the dash, matched in any case
  OptionKind kind;
  OptionField value{};  // every kind but kHelp, kMotif and kText
  int lo = INT_MIN, hi = INT_MAX;
  const char* letters = nullptr;                 // kChoice
  char* (*text)(Settings&) noexcept = nullptr;   // kMotif, kText: the text's buffer
  bool* (*given)(Settings&) noexcept = nullptr;  // kMotif: its given flag
  // The help line, or null for a row without one. "%d" stands for the
  // setting's default, "%s" (kText) for the default text.
  const char* help = nullptr;
};

// Every option, in the order of the help text.
[[nodiscard]] std::span<const OptionRow> option_rows() noexcept;

// The row that selects the option argument `arg` (arg[0] is '-' or '/'): the
// row with the longest name that the argument starts with, in any case (a
// motif row only when a single quote follows its name). Null when none does.
[[nodiscard]] const OptionRow* find_option(const char* arg) noexcept;
