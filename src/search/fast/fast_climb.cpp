// fast_climb.cpp: the fast climb of one permutation's G-tree.
//
// The steps' tables are the fast search's own, kept from permutation to
// permutation. A climb that fails releases them, so that the reference can
// run the permutation from the start on tables of its own.
#include "search/fast/fast.hpp"
#include "search/fast/fast_step.hpp"

Status fast_scratch(FastSearch& f, int M) noexcept {
  const auto m = static_cast<std::size_t>(M);
  if (f.sa.n >= m) return 0;
  if (table_alloc(f.sa, m) != 0 || table_alloc(f.sb, m) != 0 || table_alloc(f.acc, m) != 0 || table_fill(f.runs.odd.at, m * m, -1) != 0 ||
      table_fill(f.runs.even.at, m, -1) != 0 || table_alloc(f.runs.odd.scratch, m) != 0 ||
      table_alloc(f.runs.even.scratch, m) != 0 || table_alloc(f.hits, m) != 0 || table_alloc(f.free_cand, m) != 0 || table_alloc(f.near_own, m) != 0 ||
      table_alloc(f.rowmax, m) != 0 || table_alloc(f.rowmax2, m) != 0 || table_alloc(f.rowmax3, m) != 0 ||
      table_alloc(f.ka, m) != 0 || table_alloc(f.lists.start, m * m + 1) != 0 ||
      table_alloc(f.choices, m) != 0 ||
      table_alloc(f.pick.order_a, m) != 0 || table_alloc(f.pick.order_b, m) != 0 ||
      table_alloc(f.pick.head, m) != 0 || table_alloc(f.pick.ties, m) != 0) {
    f.sa.reset();  // tried again at the next permutation
    return ERMEM;
  }
  return 0;
}

Status prepare_fast_search(const Settings& set, const DataPortion& dp, const ProxMatrix* matrix,
                           FastSearch& ret) noexcept {
  ret = FastSearch{};
  if (Status st = prepare_blocks(set, dp, matrix, ret.blocks); st != 0) return st;
  ret.ready = true;
  return 0;
}

namespace {

// Releases what the climb holds, so that the straightforward search has room.
void release_climb(FastSearch& f) noexcept {
  f.rows.reset();
  f.rows_prev.reset();
  f.zero.reset();
  f.zero_prev.reset();
  f.cost.reset();
  f.cost_prev.reset();
  f.lists.cand.reset();
  f.lists.cost.reset();
  f.lists.used = 0;
  f.buckets = Buckets{};
  f.near = Neighbours{};
}

}  // namespace

Status fast_climb(GTree& t, FastSearch& f, const SearchEnv& e) noexcept {
  Status st = fast_quads(t, f, e);
  for (int z = e.dp->logn - 2; z >= 1 && st == 0; --z) st = fast_merge(t, f, z, e);
  if (st != 0) {
    release_climb(f);
    drop_block_cache(f.blocks);
  }
  return st;
}
