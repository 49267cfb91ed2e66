// reference.hpp: the straightforward search, the reference of the fast one.
//
// Its two steps run on the G-tree's own tables (build_gtree): the quad step
// at the deepest level, then one merge step per level up to level 1. They
// write nothing; the entry point (search.hpp) writes the diagnostics between
// them. The tests and the benchmark compare the fast search with this one.
#pragma once

#include "search/tree/gtree.hpp"

// The first search step, on the deepest level: groups of four.
// Returns 0 or ERMEM (no memory for the cost table).
[[nodiscard]] Status search_quads(GTree& g, const SearchEnv& env) noexcept;

// The merge step at level z (logn-2 down to 1): neighbouring groups joined.
// Returns 0, ERMEM, or ERINT (an empty second-head slot).
[[nodiscard]] Status merge_groups(GTree& g, int z, const SearchEnv& env) noexcept;
