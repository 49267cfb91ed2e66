// fast_climb.cpp: the fast climb of one permutation's G-tree.
//
// The steps' tables are the fast search's own, kept from permutation to
// permutation. The groups of the quad step and of the first merge step are
// also kept, with the sequences of their places, and copied back when a
// later permutation puts the same sequences in a group's places (the tables
// are had once per data portion, within kMaxKeptBytes; without them nothing
// is kept). A climb that fails releases them all, so that the reference can
// run the permutation from the start on tables of its own.
#include "search/fast/fast.hpp"
#include "search/fast/fast_step.hpp"

#include <algorithm>

Status fast_scratch(FastSearch& f, int M) noexcept {
  const auto m = ix(M);
  if (f.sa.n >= m) return 0;
  if (table_alloc(f.sa, m) != 0 || table_alloc(f.sb, m) != 0 || table_alloc(f.acc, m) != 0 ||
      table_fill(f.runs.odd.at, m * m, -1) != 0 || table_fill(f.runs.even.at, m, -1) != 0 ||
      table_alloc(f.runs.odd.scratch, m) != 0 || table_alloc(f.runs.even.scratch, m) != 0 ||
      table_alloc(f.hits, m) != 0 || table_alloc(f.free_cand, m) != 0 || table_alloc(f.near_own, m) != 0 ||
      table_alloc(f.by_cost, m) != 0 || table_alloc(f.rowmax, m) != 0 || table_alloc(f.rowmax2, m) != 0 ||
      table_alloc(f.rowmax3, m) != 0 || table_alloc(f.lists.start, m * m + 1) != 0 ||
      table_alloc(f.choices, m) != 0 || table_alloc(f.pick.order_a, m) != 0 ||
      table_alloc(f.pick.order_b, m) != 0 || table_alloc(f.pick.head, m) != 0 ||
      table_alloc(f.pick.ties, m) != 0) {
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

KeptStep* kept_step(FastStep& st, int c, bool merge) noexcept {
  FastSearch& f = st.f;
  KeptStep& k = merge ? f.kept_merge : f.kept_quads;
  if (!k.tried) {
    k.tried = true;
    const auto groups = ix(st.nn / c), cc = ix(c);
    // Both steps' rows take nn x M x M x 2 bytes each; costs and flags less.
    const std::size_t each = ix(st.nn) * st.keys * 2 + groups * st.keys * 6;
    k.ready = each <= kMaxKeptBytes / 2 && table_fill(k.places, groups * cc, std::int16_t{-2}) == 0 &&
              table_alloc(k.rows, groups * st.keys * cc) == 0 && table_alloc(k.cost, groups * st.keys) == 0 &&
              (!merge ||
               (table_alloc(k.zero, groups * st.keys) == 0 && table_alloc(k.written, groups * st.keys) == 0 &&
                table_alloc(k.zero_rows, groups * cc) == 0));
    if (!k.ready) {
      k = KeptStep{};
      k.tried = true;  // not tried again in this data portion
    }
  }
  if (!k.ready) return nullptr;
  if (const bool mirrored = st.e.mirror != nullptr; k.mirrored != mirrored) {  // rows kept the other way
    std::fill_n(k.places.data(), k.places.n, std::int16_t{-2});
    k.mirrored = mirrored;
  }
  return &k;
}

namespace {

// Copies group g's tables (c places) from the kept step into the step's
// tables, or (into_step false) back.
void copy_group(FastStep& st, KeptStep& k, int g, int c, bool into_step) noexcept {
  FastSearch& f = st.f;
  const auto cc = ix(c), at = ix(g) * cc;
  const std::size_t keys = st.keys, gk = ix(g) * keys;
  const auto copy = [into_step](auto* kept, auto* step, std::size_t n) {
    if (into_step)
      std::copy_n(kept, n, step);
    else
      std::copy_n(step, n, kept);
  };
  copy(k.rows.data() + gk * cc, f.rows.data() + gk * cc, keys * cc);
  copy(k.cost.data() + gk, f.cost.data() + gk, keys);
  if (!k.zero.empty()) {
    copy(k.zero.data() + gk, f.zero.data() + gk, keys);
    copy(k.written.data() + gk, f.written.data() + gk, keys);
    copy(k.zero_rows.data() + at, f.zero_rows.data() + at, cc);
  }
}

}  // namespace

bool reuse_group(FastStep& st, KeptStep* k, const std::int16_t* places, int g, int c) noexcept {
  if (k == nullptr || !std::equal(places, places + c, k->places.data() + ix(g) * ix(c))) return false;
  copy_group(st, *k, g, c, true);
  return true;
}

void keep_group(FastStep& st, KeptStep* k, const std::int16_t* places, int g, int c) noexcept {
  if (k == nullptr) return;
  copy_group(st, *k, g, c, false);
  std::copy_n(places, c, k->places.data() + ix(g) * ix(c));
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
  f.kept_quads = KeptStep{};
  f.kept_merge = KeptStep{};
}

}  // namespace

Status fast_climb(GTree& t, FastSearch& f, const SearchEnv& e) noexcept {
  f.mirrored = e.mirror != nullptr;
  if (f.mirrored) f.mirror = *e.mirror;
  Status st = fast_quads(t, f, e);
  for (int z = e.dp->logn - 2; z >= 1 && st == 0; --z) st = fast_merge(t, f, z, e);
  if (st != 0) {
    release_climb(f);
    drop_block_cache(f.blocks);
  }
  return st;
}
