// search.hpp: the signal search of one permutation, the one entry point of
// both engines.
//
// The fast engine (search/fast) climbs the G-tree when it can; the
// straightforward one (search/reference) when the diagnostics level asks for
// the search tables (-D4), when the fast one cannot read the portion's
// proximities, or when its own tables cannot be had. Both give the same
// result. The entry point writes the diagnostics of the climb (the "Level"
// lines, the tables at -D4) and shares the top selection, the measure and
// the report of the signal.
#pragma once

#include <cstdint>

#include "search/fast/fast.hpp"
#include "search/tree/gtree.hpp"

// Builds the G-tree of the permutation in g.perm (every other field empty)
// and searches it; writes the result message entries 0 .. 2n+2 (words,
// proximity sums, quality x100, power, avg proximity x100) into msg. A
// FastSearch that was not prepared (FastSearch{}) runs the reference.
// Returns 0, ERMEM, ERINT (an empty second-head slot) or ERIO (a dump or the
// report could not be flushed).
[[nodiscard]] Status search_permutation(GTree& g, FastSearch& f, const SearchEnv& env,
                                        std::int32_t* msg) noexcept;
