// climb.cpp: improving a signal one sequence at a time.
//
// Contents
//   1. Preparation: proximity source, fitting words, letters, bonus positions
//   2. The climb's state: proximity sums, totals, letter counts
//   3. One sequence's move, and the climb
#include "climb.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "alphabet.hpp"
#include "word_index.hpp"
#include "../proximity/background.hpp"
#include "../proximity/blocks.hpp"
#include "alloc_guard.hpp"

namespace {

// ---- 1. Preparation ----

Status prepare(const Settings& s, const DataPortion& dp, ClimbSpace& sp) {
  sp.set = &s;
  sp.dp = &dp;
  sp.matrix.reset();
  sp.transposed.reset();
  sp.prox = ProxEnv{&s, &dp, nullptr};
  const auto mw = ix(dp.mw);
  std::size_t cells = 0, bytes = 0;
  const bool fits =
      mul_size(mw, mw, cells) && mul_size(cells, ix(dp.pair_count), bytes) && bytes <= kClimbMatrixBudget / 2;
  // Rows of bytes: under -BG1 only when the portion's weights keep every
  // proximity within a byte (korvax's matrix is 16-bit otherwise).
  const bool bytes_hold = s.background == 1 ? greatest_proximity(s, dp) <= 255 : proximity_bound(s) <= 255;
  if (fits && bytes_hold && build_matrix(s, dp, nullptr, sp.matrix) == 0 &&
      table_alloc(sp.transposed, bytes) == 0) {
    for (std::size_t k = 0; k < ix(dp.pair_count); ++k) {
      const std::uint8_t* from = sp.matrix.blocks[k];
      std::uint8_t* to = sp.transposed.data() + k * cells;
      for (std::size_t r = 0; r < mw; ++r)
        for (std::size_t c = 0; c < mw; ++c) to[c * mw + r] = from[r * mw + c];
    }
  } else {
    sp.matrix.reset();  // no room for it: the climb computes on the fly
    sp.transposed.reset();
  }

  sp.valid.assign(ix(dp.n), {});
  sp.letter.assign(ix(dp.n), {});
  for (int i = 0; i < dp.n; ++i) {
    const int len = dp.len[ix(i)];
    for (int c = 0; c < dp.mw; ++c)
      if (word_usable(dp, s, i, c)) sp.valid[ix(i)].push_back(c);
    const char* text = dp.seq_of(i);
    for (int p = 0; p < len; ++p) {
      const char* at = std::strchr(alphabet_letters(s.acid), text[p]);
      sp.letter[ix(i)].push_back(
          static_cast<signed char>(at != nullptr ? at - alphabet_letters(s.acid) : -1));
    }
  }
  sp.letters = static_cast<int>(std::strlen(alphabet_letters(s.acid)));

  // The positions whose letters can earn a conservation bonus: those of a
  // word without a motif, and none when neither bonus is set.
  sp.counted.clear();
  if (s.ba != 0 || s.bc != 0) {
    const bool first = !s.motif_given;
    const bool second = s.l2 != 0 && !s.motif2_given;
    for (int k = 0; first && k < s.l; ++k) sp.counted.push_back(k);
    for (int k = 0; second && k < s.l2; ++k) sp.counted.push_back(kSecondWord + k);
  }
  return 0;
}

// ---- 2. The climb's state ----

std::int32_t to_int32(long long v) noexcept {
  return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}

struct State {
  const ClimbSpace& sp;
  const Settings& s;
  int n, mw, letters;
  Words words;
  std::vector<int> sums;  // n x mw: sum of the proximities of word c of i to the others' words
  long long total = 0;    // sum of the proximity sums of the signal
  int power = 0;
  std::vector<int> counts;  // counted positions x letters, over the sequences with a word
  struct Gain {             // a letter that changes the bonus of a position when it joins
    int t, x;
    long long delta;
  };
  std::vector<Gain> gains;  // of the moving sequence's candidates
  int quality = 0;
  int moves = 0;

  State(const ClimbSpace& space)
      : sp(space), s(*space.set), n(space.dp->n), mw(space.dp->mw), letters(space.letters) {}

  int& sum(int i, int c) { return sums[ix(i) * ix(mw) + ix(c)]; }

  // The bonus of one position whose most frequent letter stands top times.
  long long bonus(int top) const {
    const long long unit = prox_unit(s);  // one point is one bit under -BG1
    if (top == n) return 100LL * unit * s.ba;
    return static_cast<long long>(top) >= static_cast<long long>(n) - s.bx ? 100LL * unit * s.bc : 0;
  }

  std::int32_t quality_of(long long t, int p, long long b) const {
    return to_int32((p >= 2 ? t * 100 / (p - 1) : 0) + b);
  }

  // The alphabet number of the letter at counted position t of word c of i.
  int letter_at(int i, int c, int t) const {
    const int pos = sp.counted[ix(t)];
    const WordPlace pl = decode_word(c, s.l, s.l2, s.smin, s.S);
    const int at = pos >= kSecondWord ? pl.p2 + pos - kSecondWord : pl.q + pos;
    return sp.letter[ix(i)][ix(at)];
  }

  void count_letters(int i, int c, int sign) {
    for (int t = 0; t < static_cast<int>(sp.counted.size()); ++t) {
      const int x = letter_at(i, c, t);
      if (x >= 0) counts[ix(t * letters + x)] += sign;
    }
  }

  // Word b of j enters the others' sums (and word a of j leaves them).
  void column(int j, int a, int b) {
    for (int i = 0; i < n; ++i) {
      if (i == j) continue;
      int* to = &sum(i, 0);
      if (sp.matrix.built()) {  // rows of bytes; words that do not fit i hold 0 and are never read
        if (b != mw)
          for (const std::uint8_t *p = sp.row(j, i, b), *end = p + mw; p != end; ++p, ++to) *to += *p;
        to = &sum(i, 0);
        if (a != mw)
          for (const std::uint8_t *p = sp.row(j, i, a), *end = p + mw; p != end; ++p, ++to) *to -= *p;
        continue;
      }
      for (const int c : sp.valid[ix(i)]) {
        int d = 0;
        if (b != mw) d += proximity(sp.prox, i, c, j, b);
        if (a != mw) d -= proximity(sp.prox, i, c, j, a);
        to[c] += d;
      }
    }
  }

  void start(const Words& w) {
    words = w;
    sums.assign(ix(n) * ix(mw), 0);
    counts.assign(sp.counted.size() * ix(letters), 0);
    for (int j = 0; j < n; ++j)
      if (words[ix(j)] != mw) {
        column(j, mw, words[ix(j)]);
        count_letters(j, words[ix(j)], +1);
      }
    total = 0;
    power = 0;
    for (int i = 0; i < n; ++i)
      if (words[ix(i)] != mw) {
        total += sum(i, words[ix(i)]);
        ++power;
      }
    long long b = 0;
    for (std::size_t t = 0; t < sp.counted.size(); ++t)
      b += bonus(*std::max_element(counts.begin() + static_cast<std::ptrdiff_t>(t * ix(letters)),
                                   counts.begin() + static_cast<std::ptrdiff_t>((t + 1) * ix(letters))));
    quality = quality_of(total, power, b);
  }

  // ---- 3. One sequence's move ----

  // Sequence i takes the word (or no word) that raises the quality most,
  // the lowest index among equals. True when it changed.
  bool move(int i) {
    const int a = words[ix(i)];
    if (a != mw) count_letters(i, a, -1);
    // The bonus without sequence i, and the few letters whose joining
    // changes a position's bonus: those that make or break its top count.
    long long base = 0;
    gains.clear();
    for (int t = 0; t < static_cast<int>(sp.counted.size()); ++t) {
      const auto row = counts.begin() + static_cast<std::ptrdiff_t>(t * letters);
      const int top = *std::max_element(row, row + letters);
      base += bonus(top);
      for (int x = 0; x < letters; ++x) {
        const int joined = row[x] + 1;
        if (joined > top && bonus(joined) != bonus(top)) gains.push_back({t, x, bonus(joined) - bonus(top)});
      }
    }
    const long long total_out = total - (a != mw ? 2LL * sum(i, a) : 0);
    const int power_out = power - (a != mw ? 1 : 0);
    std::int32_t best_q = quality;
    int best = a;
    for (const int c : sp.valid[ix(i)]) {
      long long b = base;
      for (const Gain& g : gains)
        if (letter_at(i, c, g.t) == g.x) b += g.delta;
      const std::int32_t q = quality_of(total_out + 2LL * sum(i, c), power_out + 1, b);
      if (q > best_q) {
        best_q = q;
        best = c;
      }
    }
    if (quality_of(total_out, power_out, base) > best_q) {
      best_q = quality_of(total_out, power_out, base);
      best = mw;
    }
    if (best == a) {
      if (a != mw) count_letters(i, a, +1);
      return false;
    }
    total = total_out + (best != mw ? 2LL * sum(i, best) : 0);
    power = power_out + (best != mw ? 1 : 0);
    column(i, a, best);
    if (best != mw) count_letters(i, best, +1);
    words[ix(i)] = best;
    quality = best_q;
    ++moves;
    return true;
  }
};

}  // namespace

// ---- 3. One sequence's move, and the climb ----

long long proximity_bound(const Settings& s) noexcept {
  const auto per_position = [&](bool motif) {
    return motif ? 1LL + std::max(s.a_bonus, 0) + std::max(-static_cast<long long>(s.a_penalty), 0LL) : 1LL;
  };
  long long bound = s.l * per_position(s.motif_given) + s.l2 * per_position(s.motif2_given);
  if (s.l2 != 0) {
    int least = 0;
    for (int k = 0; k < s.S; ++k) least = std::min(least, s.penalty[ix(k)]);
    bound += -2LL * least;
  }
  return bound;
}

Status prepare_climbs(const Settings& s, const DataPortion& dp, ClimbSpace& ret) noexcept {
  return guard_alloc([&] { return prepare(s, dp, ret); });
}

Words shift_words(const ClimbSpace& sp, const Words& words, int d) {
  const Settings& s = *sp.set;
  const DataPortion& dp = *sp.dp;
  Words out(words.size(), dp.mw);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const int w = words[i];
    if (w == dp.mw) continue;
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    const long long c = s.l2 == 0 ? static_cast<long long>(w) + d
                                  : static_cast<long long>(w) + static_cast<long long>(d) * s.S;
    if (pl.q + d >= 0 && c < dp.mw && word_usable(dp, s, static_cast<int>(i), static_cast<int>(c)))
      out[i] = static_cast<int>(c);
  }
  return out;
}

Status climb(const ClimbSpace& sp, const Words& start, ClimbResult& ret) noexcept {
  try {
    State st(sp);
    st.start(start);
    for (bool changed = true; changed;) {
      changed = false;
      for (int i = 0; i < st.n; ++i) changed = st.move(i) || changed;
    }
    ret.words = std::move(st.words);
    ret.quality = st.quality;
    ret.moves = st.moves;
    return 0;
  } catch (const std::bad_alloc&) {
    return ERMEM;
  }
}
