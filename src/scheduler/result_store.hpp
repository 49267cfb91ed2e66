// result_store.hpp: result messages stored in their records; word accounting.
#pragma once

#include <cstdint>

#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "task_state.hpp"

// Whether a result message can be stored: every word index is -1 (no
// value), the no-word index mw, or a word that lies within its sequence; the
// power lies in 0..n; proximity sums, quality and avg proximity are not
// negative (no proximity is). The reports print the words of a stored result
// from the sequences' letters, so a message that says otherwise (it can only
// come from a faulty task) is an internal error, never stored.
[[nodiscard]] bool result_valid(const std::int32_t* msg, const DataPortion& dp, const Settings& s) noexcept;

// Stores the result message msg (2n + 4 int32) in record r: words, proximity
// sums, quality, power, avg proximity and the percents; updates the
// improvement count of r's task and accounts its words. Returns 0 or ERMEM
// (no memory for the result arrays: r stays without a result).
[[nodiscard]] Status store_result(PermRecord& r, const std::int32_t* msg, TaskState& ts) noexcept;

// Adds r's words to task o's word scores (each held at most at the largest
// int) and counts the (sequence, word)
// pairs not seen before: by task o, and for a P record P-list wide (task 0).
// Sets r.new_words. Returns 0.
[[nodiscard]] Status account_words(PermRecord& r, int o, TaskState& ts) noexcept;
