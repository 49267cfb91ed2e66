// blocks.cpp: directed proximity blocks: transposes of the matrix, blocks
// computed on the fly, and the cache that holds them.
//
// Contents: 1. word scores of two sequences; 2. computing a block;
// 3. preparing the blocks of a portion; 4. the cache.
#include "blocks.hpp"

#include "background.hpp"
#include "word_index.hpp"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace {

// ---- 1. Word scores of two sequences ----

// The score of one position of two words whose letters are xc and y: E when
// y equals xc, else D. Every motif character reduces to such a pair; w is
// what the agreeing letter xc counts (1, or its weight under -BG1), bonus and
// pen are in proximity units.
struct Term {
  long long equal, differ;
};

Term position_term(char xc, long long w, const char* motif, int k, long long bonus, long long pen) noexcept {
  if (motif == nullptr) return {w, 0};
  const char c = motif[k];
  const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lc == '.' || lc == '?' || lc == 'x' || lc == '*') return {w, 0};
  if (c == lc) return {xc == lc ? w + bonus : w, 0};  // a lower-case motif letter
  return {xc == lc ? w + bonus : w - pen, -pen};      // an upper-case one
}

// The motif bonus and penalty in proximity units.
long long unit_bonus(const Settings& s) noexcept { return static_cast<long long>(prox_unit(s)) * s.a_bonus; }
long long unit_penalty(const Settings& s) noexcept {
  return static_cast<long long>(prox_unit(s)) * s.a_penalty;
}

// The greatest score a word of len letters (from `letters`) can reach with the motif.
long long greatest_score(const Settings& s, const PortionSettings& p, const char* letters, const char* motif,
                         int len) noexcept {
  long long sum = 0;
  for (int k = 0; k < len; ++k) {
    long long top = LLONG_MIN;
    for (const char* a = letters; *a; ++a) {
      const Term t = position_term(*a, letter_weight(s, p, *a), motif, k, unit_bonus(s), unit_penalty(s));
      top = std::max({top, t.equal, t.differ});
    }
    sum += top == LLONG_MIN ? 0 : top;  // no letter: nothing to score
  }
  return sum;
}

// True when every position term of the motif is small enough that a word's
// score, summed in 32 bits, cannot overflow.
bool small_terms(long long bonus, long long pen) noexcept {
  constexpr long long kSmall = 1 << 24;
  return bonus > -kSmall && bonus < kSmall && pen > -kSmall && pen < kSmall;
}

// Scores of every word of x (rx starts) against every word of y (ry starts),
// len letters each, with motif: out[i * ry + j]. Acc is the sum's type.
template <class Acc>
void word_scores(const Settings& s, const PortionSettings& p, const char* x, int rx, const char* y, int ry,
                 int len, const char* motif, Acc* out) noexcept {
  const long long bonus = unit_bonus(s), pen = unit_penalty(s);
  for (int i = 0; i < rx; ++i) {
    Acc* row = out + ix(i) * ix(ry);
    for (int j = 0; j < ry; ++j) row[j] = 0;
    for (int k = 0; k < len; ++k) {
      const char xc = x[i + k];
      const Term t = position_term(xc, letter_weight(s, p, xc), motif, k, bonus, pen);
      const Acc differ = static_cast<Acc>(t.differ), gain = static_cast<Acc>(t.equal - t.differ);
      const char* yk = y + k;
      for (int j = 0; j < ry; ++j) row[j] += differ + (yk[j] == xc ? gain : Acc{0});
    }
  }
}

// A score as a cell of a block: held to 255 in a byte, to the greatest
// proximity in 16 bits.
template <class Cell>
Cell to_cell(long long v) noexcept {
  constexpr long long top = sizeof(Cell) == 1 ? 255 : kMaxProximity;
  return static_cast<Cell>(v <= 0 ? 0 : v >= top ? top : v);
}

// ---- 2. Computing a block ----

template <class Acc, class Cell>
Status compute_block_as(const Settings& s, const DataPortion& dp, int x, int y, Cell* out, Table<Acc>& first,
                        Table<Acc>& second) noexcept {
  const int mw = dp.mw;
  const int lx = dp.len[ix(x)], ly = dp.len[ix(y)];
  const char* sx = dp.seq_of(x);
  const char* sy = dp.seq_of(y);
  const char* m1 = s.motif_given ? s.motif : nullptr;
  std::memset(out, 0, ix(mw) * ix(mw) * sizeof(Cell));
  const auto at = [](int i, int cols) { return ix(i) * ix(cols); };

  const int rx = std::max(0, lx - s.l + 1), ry = std::max(0, ly - s.l + 1);
  if (rx == 0 || ry == 0) return 0;
  if (table_grow(first, at(rx, ry), 0) != 0) return ERMEM;
  word_scores<Acc>(s, dp.derived, sx, rx, sy, ry, s.l, m1, first.data());

  if (s.l2 == 0) {
    for (int i = 0; i < rx && i < mw; ++i)
      for (int j = 0; j < ry && j < mw; ++j) out[at(i, mw) + ix(j)] = to_cell<Cell>(first[at(i, ry) + ix(j)]);
    return 0;
  }

  // Word pairs: index q * S + (gap - SMIN); the second word starts at q + l + gap.
  const int r2x = std::max(0, lx - s.l2 + 1), r2y = std::max(0, ly - s.l2 + 1);
  if (r2x == 0 || r2y == 0) return 0;
  if (table_grow(second, at(r2x, r2y), 0) != 0) return ERMEM;
  const char* m2 = s.motif2_given ? s.motif2 : nullptr;
  word_scores<Acc>(s, dp.derived, sx, r2x, sy, r2y, s.l2, m2, second.data());
  const int S = s.S, lead = s.l + s.smin;
  const int* pen = s.penalty.data();
  const Acc unit = static_cast<Acc>(prox_unit(s));  // the spacing penalties in proximity units
  for (int q = 0; q * S < mw; ++q)
    for (int gi = 0; gi < S && q * S + gi < mw; ++gi) {
      const int p2 = q + lead + gi;
      if (p2 + s.l2 > lx) break;  // longer spacings fit no better
      Cell* row = out + at(q * S + gi, mw);
      const Acc* f1 = first.data() + at(q, ry);
      const Acc* f2 = second.data() + at(p2, r2y);
      for (int q2 = 0; q2 * S < mw && q2 + lead + s.l2 <= ly; ++q2) {  // pairs that fit in y
        const Acc head = static_cast<Acc>(f1[q2] - unit * static_cast<Acc>(pen[gi]));
        for (int gj = 0; gj < S && q2 * S + gj < mw; ++gj) {
          const int r2 = q2 + lead + gj;
          if (r2 + s.l2 > ly) break;
          row[q2 * S + gj] =
              to_cell<Cell>(static_cast<long long>(head + f2[r2] - unit * static_cast<Acc>(pen[gj])));
        }
      }
    }
  return 0;
}

// True when a word pair's score, its penalties included, can be summed in
// 32 bits without overflow.
bool small_pair_terms(const Settings& s) noexcept {
  if (!small_terms(unit_bonus(s), unit_penalty(s))) return false;
  for (int k = 0; k < s.S; ++k) {
    const long long pen = static_cast<long long>(prox_unit(s)) * s.penalty[ix(k)];
    if (pen <= -(1 << 24) || pen >= (1 << 24)) return false;
  }
  return true;
}

// ---- 3. Preparing the blocks of a portion ----

// Copies the transpose of the mw x mw block `in` into `out`, in tiles.
void transpose_block(const std::uint8_t* in, std::uint8_t* out, int mw) noexcept {
  constexpr int kTile = 32;
  const auto w = ix(mw);
  for (int i0 = 0; i0 < mw; i0 += kTile)
    for (int j0 = 0; j0 < mw; j0 += kTile) {
      const int i1 = std::min(mw, i0 + kTile), j1 = std::min(mw, j0 + kTile);
      for (int i = i0; i < i1; ++i)
        for (int j = j0; j < j1; ++j) out[ix(j) * w + ix(i)] = in[ix(i) * w + ix(j)];
    }
}

// Fills `out` with the directed block (x, y). Returns 0 or ERMEM.
Status make_block(ProxBlocks& b, int x, int y, std::uint8_t* out) noexcept {
  ++b.computed;
  if (b.matrix == nullptr) return compute_block(*b.set, *b.dp, x, y, out, b.scratch);
  // x > y here: the matrix holds (y, x).
  transpose_block(b.matrix->blocks[ix(pair_block(b.n, y, x))], out, b.mw);
  return 0;
}

// Clears the rows of x's and the columns of y's words that hold a masked
// letter (-K, the junction of -RC): such a word is no word, like an index
// beyond its sequence.
template <class Cell>
void clear_masked(const Settings& s, const DataPortion& dp, int x, int y, Cell* out) noexcept {
  const int mw = dp.mw;
  const int* mx = dp.masked_of(x);
  const int* my = dp.masked_of(y);
  const auto cols = ix(mw);
  for (int w = 0; w < mw; ++w) {
    if (mx != nullptr && word_fits(w, dp.len[ix(x)], s.l, s.l2, s.smin, s.S) &&
        !word_unmasked(mx, dp.strand_len[ix(x)], w, s.l, s.l2, s.smin, s.S))
      std::memset(out + ix(w) * cols, 0, cols * sizeof(Cell));
    if (my != nullptr && word_fits(w, dp.len[ix(y)], s.l, s.l2, s.smin, s.S) &&
        !word_unmasked(my, dp.strand_len[ix(y)], w, s.l, s.l2, s.smin, s.S))
      for (int i = 0; i < mw; ++i) out[ix(i) * cols + ix(w)] = 0;
  }
}

template <class Cell>
Status compute_any_block(const Settings& s, const DataPortion& dp, int x, int y, Cell* out,
                         BlockScratch& scratch) noexcept {
  const bool small = s.l2 == 0 ? small_terms(unit_bonus(s), unit_penalty(s)) : small_pair_terms(s);
  const Status st = small
                        ? compute_block_as<std::int32_t>(s, dp, x, y, out, scratch.first32, scratch.second32)
                        : compute_block_as<long long>(s, dp, x, y, out, scratch.first64, scratch.second64);
  if (st == 0) clear_masked(s, dp, x, y, out);
  return st;
}

}  // namespace

Status compute_block(const Settings& s, const DataPortion& dp, int x, int y, std::uint8_t* out,
                     BlockScratch& scratch) noexcept {
  return compute_any_block(s, dp, x, y, out, scratch);
}

Status compute_wide_block(const Settings& s, const DataPortion& dp, int x, int y, std::uint16_t* out,
                          BlockScratch& scratch) noexcept {
  return compute_any_block(s, dp, x, y, out, scratch);
}

long long greatest_proximity(const Settings& set, const DataPortion& dp) noexcept {
  // Under -BG1 only the letters the portion holds (an absent letter's weight
  // is large and never met); under -BG0 every letter of the alphabet.
  char letters[32] = {};
  int count = 0;
  for (const char* a = set.acid ? "acdefghiklmnpqrstvwy" : "actg"; *a; ++a) {
    bool held = set.background != 1;
    for (int i = 0; i < dp.stored() && !held; ++i) held = std::strchr(dp.seq_of(i), *a) != nullptr;
    if (held) letters[count++] = *a;
  }
  long long top = greatest_score(set, dp.derived, letters, set.motif_given ? set.motif : nullptr, set.l);
  if (set.l2 > 0) {
    long long least = LLONG_MAX;
    for (int k = 0; k < set.S; ++k) least = std::min<long long>(least, set.penalty[ix(k)]);
    top += greatest_score(set, dp.derived, letters, set.motif2_given ? set.motif2 : nullptr, set.l2) -
           2 * least * prox_unit(set);
  }
  return top;
}

Status prepare_blocks(const Settings& set, const DataPortion& dp, const ProxMatrix* matrix,
                      ProxBlocks& ret) noexcept {
  ProxBlocks b;
  b.set = &set;
  b.dp = &dp;
  // A matrix of 16-bit cells (-BG1 beyond a byte) is not read: such
  // proximities do not fit the blocks' bytes either.
  b.matrix = matrix != nullptr && matrix->built() && matrix->wide.empty() ? matrix : nullptr;
  b.n = dp.n;
  b.mw = dp.mw;
  if (!mul_size(ix(dp.mw), ix(dp.mw), b.cells)) return ERMEM;
  if (b.matrix != nullptr) {
    b.usable = true;  // the matrix holds bytes
  } else {
    // On the fly every proximity must fit a byte.
    b.usable = greatest_proximity(set, dp) <= 255;
  }
  const auto n = ix(dp.n);
  if (table_fill(b.slot_of, n * n, std::int32_t{-1}) != 0) return ERMEM;

  std::size_t bytes = 0;
  const bool fits = mul_size(b.cells, ix(dp.pair_count), bytes) && bytes <= kTransposeBudget;
  if (b.matrix != nullptr && fits && b.cells > 0 && table_alloc(b.transposed, bytes) == 0) {
    for (int u = 0; u + 1 < dp.n; ++u)
      for (int v = u + 1; v < dp.n; ++v) {
        const auto k = ix(pair_block(dp.n, u, v));
        transpose_block(b.matrix->blocks[k], b.transposed.data() + k * b.cells, b.mw);
      }
  }
  // The cache: room for what the budget allows, at least one request.
  const std::size_t budget_slots = b.cells == 0 ? 0 : kCacheBudget / b.cells;
  const auto request = ix(dp.nn + 9);  // the blocks of the widest step
  const std::size_t slots = std::min(n * (n - 1), std::max(budget_slots, request));
  if (table_alloc(b.slots, slots) != 0) return ERMEM;
  ret = std::move(b);
  return 0;
}

void drop_block_cache(ProxBlocks& b) noexcept {
  b.transposed.reset();
  for (std::size_t k = 0; k < b.slots.n; ++k) b.slots[k] = BlockSlot{};
  for (std::size_t k = 0; k < b.slot_of.n; ++k) b.slot_of[k] = -1;
}

// ---- 4. The cache ----

Status fetch_blocks(ProxBlocks& b, const int* x, const int* y, int count, const std::uint8_t** ret) noexcept {
  const std::uint64_t stamp = ++b.stamp;
  const auto n = ix(b.n);
  // First every block that needs no slot, or has one: those must not be evicted.
  for (int k = 0; k < count; ++k) {
    ret[k] = nullptr;
    const auto u = ix(x[k]), v = ix(y[k]);
    if (b.matrix != nullptr && u < v) {
      ret[k] = b.matrix->blocks[ix(pair_block(b.n, x[k], y[k]))];
    } else if (b.matrix != nullptr && !b.transposed.empty()) {
      ret[k] = b.transposed.data() + ix(pair_block(b.n, y[k], x[k])) * b.cells;
    } else if (const int s = b.slot_of[u * n + v]; s >= 0) {
      b.slots[ix(s)].stamp = stamp;
      ret[k] = b.slots[ix(s)].data.data();
    }
  }
  for (int k = 0; k < count; ++k) {
    if (ret[k] != nullptr) continue;
    const auto u = ix(x[k]), v = ix(y[k]);
    if (const int s = b.slot_of[u * n + v]; s >= 0) {  // fetched twice in this request
      ret[k] = b.slots[ix(s)].data.data();
      continue;
    }
    // A free slot with memory, else a free slot to fill, else the least
    // recently used slot that this request does not hold.
    std::size_t pick = b.slots.n;
    for (std::size_t s = 0; s < b.slots.n && pick == b.slots.n; ++s)
      if (b.slots[s].x < 0 && !b.slots[s].data.empty()) pick = s;
    for (std::size_t s = 0; s < b.slots.n && pick == b.slots.n; ++s)
      if (b.slots[s].x < 0 && table_alloc(b.slots[s].data, b.cells) == 0) pick = s;
    if (pick == b.slots.n) {
      std::uint64_t oldest = stamp;
      for (std::size_t s = 0; s < b.slots.n; ++s)
        if (b.slots[s].stamp < oldest && !b.slots[s].data.empty()) {
          oldest = b.slots[s].stamp;
          pick = s;
        }
      if (pick == b.slots.n) return ERMEM;
      BlockSlot& old = b.slots[pick];
      b.slot_of[ix(old.x) * n + ix(old.y)] = -1;
    }
    BlockSlot& slot = b.slots[pick];
    slot.x = x[k];
    slot.y = y[k];
    slot.stamp = stamp;
    if (make_block(b, x[k], y[k], slot.data.data()) != 0) {
      slot.x = slot.y = -1;
      return ERMEM;
    }
    b.slot_of[u * n + v] = static_cast<std::int32_t>(pick);
    ret[k] = slot.data.data();
  }
  return 0;
}
