// gtree.cpp: building and releasing the G-tree of a permutation.
#include "search/tree/gtree.hpp"

Status build_gtree(GTree& g, const SearchEnv& env) noexcept {
  if (table_alloc(g.level, kMaxLevels) != 0) return ERMEM;
  if (Status st = gtree_tables(g, env); st != 0) return st;
  return build_levels(g, env);
}

Status gtree_tables(GTree& g, const SearchEnv& env) noexcept {
  const DataPortion& dp = *env.dp;
  const auto nn = ix(dp.nn);
  const auto M = ix(dp.M());
  std::size_t keys = 0, entries = 0;
  if (!mul_size(M, M, keys) || !mul_size(keys, nn, entries)) return ERMEM;
  if (table_fill(g.system, entries, std::int16_t{-1}) != 0 ||
      table_fill(g.system_prev, entries, std::int16_t{-1}) != 0 ||
      table_fill(g.cand_a, M, std::int16_t{-1}) != 0 || table_fill(g.cand_b, M, std::int16_t{-1}) != 0)
    return ERMEM;
  return 0;
}

Status build_levels(GTree& g, const SearchEnv& env) noexcept {
  const DataPortion& dp = *env.dp;
  const auto nn = ix(dp.nn);
  if (g.level.empty() && table_alloc(g.level, kMaxLevels) != 0) return ERMEM;

  for (int z = 0; z < dp.logn; ++z) {
    Table<std::int16_t>& lv = g.level[ix(z)];
    if (table_alloc(lv, nn) != 0) {
      for (int k = 0; k < z; ++k) g.level[ix(k)].reset();
      return ERMEM;
    }
    if (z == 0) {
      for (std::size_t i = 0; i < nn; ++i) lv[i] = i < ix(dp.n) ? g.perm[i] : std::int16_t{-1};
      continue;
    }
    // Level z: blocks of nn >> (z-1) slots of level z-1, each rearranged as
    // its even slots followed by its odd slots.
    const Table<std::int16_t>& up = g.level[ix(z - 1)];
    const std::size_t block = nn >> (z - 1), half = block / 2;
    for (std::size_t b0 = 0; b0 < nn; b0 += block)
      for (std::size_t i = 0; i < half; ++i) {
        lv[b0 + i] = up[b0 + 2 * i];
        lv[b0 + half + i] = up[b0 + 2 * i + 1];
      }
  }

  if (env.set->diag_level >= 3 && env.out != nullptr) {
    dump_gtree(g, dp, *env.out);
    if (Status io = env.out->flush(); io != 0) return io;
  }
  return 0;
}
