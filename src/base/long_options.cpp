// long_options.cpp: matching long options against a program's table.
#include "long_options.hpp"

#include <cstring>

namespace {

const LongOption* find_name(std::span<const LongOption> table, std::string_view name) noexcept {
  for (const LongOption& row : table)
    if (name == row.name) return &row;
  return nullptr;
}

}  // namespace

LongMatch match_long(std::span<const LongOption> table, LongRules rules, int argc, const char* const* argv,
                     int& i) noexcept {
  const char* arg = argv[i];
  const char* eq = std::strchr(arg + 2, '=');
  LongMatch m;
  m.name = eq != nullptr ? std::string_view(arg, static_cast<std::size_t>(eq - arg)) : std::string_view(arg);
  m.option = find_name(table, m.name.substr(2));
  if (eq != nullptr) {
    m.value = eq + 1;
    m.attached = true;
  }
  const bool wants_value = m.option != nullptr ? m.option->takes_value : rules.unknown_takes_value;
  if (m.option == nullptr && !rules.unknown_takes_value) return m;  // unknown; no value is taken
  if (!wants_value) {
    // A flag: "=value" makes the argument unknown.
    m.outcome = m.value == nullptr ? LongOutcome::matched : LongOutcome::unknown;
    return m;
  }
  if (m.value == nullptr && i + 1 < argc) m.value = argv[++i];
  if (m.value == nullptr || (rules.empty_is_missing && *m.value == '\0')) {
    m.outcome = LongOutcome::missing;
    return m;
  }
  m.outcome = m.option != nullptr ? LongOutcome::matched : LongOutcome::unknown;
  return m;
}

const LongOption* find_letter(std::span<const LongOption> table, char letter) noexcept {
  for (const LongOption& row : table)
    if (row.letter != 0 && row.letter == letter) return &row;
  return nullptr;
}
