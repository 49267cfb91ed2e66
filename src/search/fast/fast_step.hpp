// fast_step.hpp: what the steps of the fast search share.
#pragma once

#include <cstdint>

#include "search/fast/fast.hpp"

// One step of the fast search: its tables and sizes. The steps write the
// fast search's tables through it, so it is passed as FastStep&.
struct FastStep {
  GTree& t;
  FastSearch& f;
  const SearchEnv& e;
  int mw, M, nn, T;
  std::size_t keys;  // M * M

  FastStep(GTree& tree, FastSearch& fast, const SearchEnv& env) noexcept
      : t(tree),
        f(fast),
        e(env),
        mw(env.dp->mw),
        M(env.dp->M()),
        nn(env.dp->nn),
        T(env.dp->derived.threshold),
        keys(ix(M) * ix(M)) {}

  [[nodiscard]] std::size_t key(int own, int other) const noexcept { return ix(own) * ix(M) + ix(other); }
  // The rows of the fast search are kept group by group: the row of key
  // (own, other) of group g, c slots, at (g * M * M + key) * c. At the top (one
  // group of nn slots) this is the straightforward search's layout.
  [[nodiscard]] std::int16_t* row(int g, int c, int own, int other) noexcept {
    return f.rows.data() + (ix(g) * keys + key(own, other)) * ix(c);
  }
  // The first row of group g of the previous step, whose rows have c slots.
  [[nodiscard]] const std::int16_t* prev_group(int g, int c) const noexcept {
    return f.rows_prev.data() + ix(g) * keys * ix(c);
  }
  // The sequences of the row slots of group g (c slots) of this step and of
  // the previous one.
  [[nodiscard]] std::int16_t* seq(int g, int c) noexcept { return f.row_seq.data() + ix(g) * ix(c); }
  [[nodiscard]] const std::int16_t* prev_seq(int g, int c) const noexcept {
    return f.row_seq_prev.data() + ix(g) * ix(c);
  }
  // The rows of group g (c slots) of the previous step.
  [[nodiscard]] GroupRows prev_rows(int g, int c) const noexcept {
    const std::uint8_t* w = f.flagged_prev ? f.written_prev.data() + ix(g) * keys : nullptr;
    return GroupRows{prev_group(g, c), M, c, e.mirror, prev_seq(g, c), w};
  }
  // Key (x, y) of group g (c slots) is taken from its mirror key: its cost
  // (and its flag, when the step has flags) are copied; its row is left
  // out (GroupRows) unless the step writes it.
  void take_mirror(int g, int c, int x, int y, bool flags) noexcept {
    const std::int16_t* s = seq(g, c);
    const std::size_t at = ix(g) * keys + key(x, y),
                      from = ix(g) * keys + e.mirror->key_of(s[0], x, s[1], y, M);
    f.cost[at] = f.cost[from];
    if (flags) f.zero[at] = f.zero[from];
  }
  // Entry (i, j) of a directed block, 0 for the no-word index.
  [[nodiscard]] int at(const std::uint8_t* block, int i, int j) const noexcept {
    if (i == mw || j == mw) return 0;
    return block[ix(i) * ix(mw) + ix(j)];
  }
  [[nodiscard]] const std::uint8_t* block_row(const std::uint8_t* block, int i) const noexcept {
    return block + ix(i) * ix(mw);
  }
  // k times the threshold, held to what a sum of proximities can be compared
  // with in 16 bits (every such sum lies in 0 .. 32640).
  [[nodiscard]] int times_threshold(long long k) const noexcept {
    const long long v = k * T;
    return v < -32768 ? -32768 : v > 32767 ? 32767 : static_cast<int>(v);
  }
};

// The words x of the other head for which a step makes the lists of keys
// (x, own word): 0 .. cut-1 and resume .. mw-1. With both strands the words
// between are left out, as every key they make is taken from its mirror
// (the words after their mirrors); otherwise cut = resume = mw.
struct OtherWords {
  int cut, resume;

  [[nodiscard]] bool left_out(int x) const noexcept { return x >= cut && x < resume; }
  // Calls part(from, count) for the words worked for, below mw.
  template <class Part>
  void for_parts(int mw, Part&& part) const noexcept {
    if (cut > 0) part(0, cut);
    if (resume < mw) part(resume, mw - resume);
  }
};

// The words of the other head, sequence x, a step works for.
[[nodiscard]] inline OtherWords other_words(const FastStep& st, int x) noexcept {
  const int last = st.e.mirror != nullptr ? st.e.mirror->last[ix(x)] : -1;
  return last >= 0 ? OtherWords{last / 2 + 1, last + 1} : OtherWords{st.mw, st.mw};
}

// The kept step of a step whose groups have c places (the quad step: c = 4,
// or the first merge step: c = 8), or null (no such step kept, or no room).
[[nodiscard]] KeptStep* kept_step(FastStep& st, int c, bool merge) noexcept;

// When group g's places (c of them at places) hold what they held when the
// group was kept, copies its kept tables into the step's and returns true.
[[nodiscard]] bool reuse_group(FastStep& st, KeptStep* k, const std::int16_t* places, int g, int c) noexcept;

// Keeps the tables of group g, just searched.
void keep_group(FastStep& st, KeptStep* k, const std::int16_t* places, int g, int c) noexcept;

// Makes room for the per-step scratch tables of M entries. Returns 0 or ERMEM.
[[nodiscard]] Status fast_scratch(FastSearch& f, int M) noexcept;
