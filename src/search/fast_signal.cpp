// fast_signal.cpp: the fast signal search of one permutation.
//
// Builds the levels of the G-tree, climbs it with the fast steps (whose
// tables are the fast search's own, kept from permutation to permutation),
// then shares the top selection, the measure and the report with the
// straightforward search. The "Level" lines of the climb are written after
// it (nothing else is written during a climb below -D4), so that a climb the
// fast search must give up leaves no trace: the straightforward search then
// runs the permutation from the start, on tables of its own.
#include "fast.hpp"
#include "fast_step.hpp"
#include "messages.hpp"

Status fast_scratch(FastSearch& f, int M) noexcept {
  const auto m = static_cast<std::size_t>(M);
  if (f.sa.n >= m) return 0;
  if (table_alloc(f.sa, m) != 0 || table_alloc(f.sb, m) != 0 || table_alloc(f.acc, m) != 0 || table_fill(f.runs.odd.at, m * m, -1) != 0 ||
      table_fill(f.runs.even.at, m, -1) != 0 || table_alloc(f.runs.scratch, m) != 0 || table_alloc(f.hits, m) != 0 || table_alloc(f.near_own, m) != 0 ||
      table_alloc(f.rowmax, m) != 0 || table_alloc(f.rowmax2, m) != 0 || table_alloc(f.rowmax3, m) != 0 ||
      table_alloc(f.ka, m) != 0 || table_alloc(f.kb, m) != 0 || table_alloc(f.lists.start, m * m + 1) != 0 ||
      table_alloc(f.cost_t, m * m) != 0 || table_alloc(f.choices, m) != 0 ||
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
  f.lists.used = 0;
  f.buckets = Buckets{};
  f.near = Neighbours{};
}

Status climb(GTree& t, FastSearch& f, const SearchEnv& e) noexcept {
  const int logn = e.dp->logn;
  if (Status st = fast_quads(t, f, e); st != 0) return st;
  for (int z = logn - 2; z >= 1; --z)
    if (Status st = fast_merge(t, f, z, e); st != 0) return st;
  return 0;
}

}  // namespace

Status search_permutation(GTree* t, FastSearch& f, const SearchEnv& e, std::int32_t* msg) noexcept {
  if (t == nullptr) return ERMEM;
  const Settings& s = *e.set;
  if (!f.ready || !f.blocks.usable || s.diag_level >= 4) {
    const Status st = build_gtree(t, e);
    return st != 0 ? st : search_signal(t, e, msg);
  }
  if (Status st = build_levels(t, e); st != 0) return st;

  const DataPortion& dp = *e.dp;
  const ResultLayout lay{dp.n};
  for (int i = 0; i < dp.n; ++i) msg[lay.words() + i] = msg[lay.prox_sums() + i] = -1;
  if (climb(*t, f, e) != 0) {  // the straightforward search, with its own tables
    release_climb(f);
    drop_block_cache(f.blocks);
    const Status st = gtree_tables(t, e);
    return st != 0 ? st : search_signal(t, e, msg);
  }
  for (int z = dp.logn - 1; z >= 1; --z) {
    if (s.diag_level >= 2 && e.out) std::fprintf(e.out, "Level %d\n", z);
    if (e.out && std::fflush(e.out) != 0) return ERIO;
  }
  return finish_signal(t, e, f.cost.data(), fast_top_rows(f), msg);
}
