// climb.hpp: improving a signal one sequence at a time.
//
// A climb takes a signal (one word index per sequence, mw for no word) and
// lets each sequence in turn, 0 to n-1, take the word or no word that raises
// the quality most (ties to the lower word index, no word last), until a
// whole round raises nothing: the result is a signal that no single change
// of one sequence can raise. Quality is korvax's: the proximity sums over
// power - 1 plus the conservation bonuses, in hundredths.
//
// The climb keeps, for every sequence i and every word c that fits it, the
// sum of the proximities of c to the words of the other sequences; a change
// of one word updates those sums by one column of proximities, so that a
// move costs (n - 1) x mw proximities instead of a new measure of every
// candidate. The letter counts of the bonus positions are kept alike.
#pragma once

#include <vector>

#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "../proximity/proximity.hpp"

using Words = std::vector<int>;

// What every climb of a data portion reads.
struct ClimbSpace {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  ProxMatrix matrix;                             // built when it holds every proximity exactly
  Table<std::uint8_t> transposed;                // with the matrix: block (v, u) of every u < v
  ProxEnv prox;                                  // without the matrix: the proximity on the fly
  std::vector<std::vector<int>> valid;           // per sequence: the word indices that fit it, ascending
  std::vector<std::vector<signed char>> letter;  // per sequence: alphabet number of each letter, -1 outside
  std::vector<int> counted;                      // bonus positions: k of the first word, kSecondWord + k
  int letters = 0;                               // letters of the alphabet

  // With the matrix: the proximities of word w of sequence x to every word
  // index of sequence y (x != y), mw bytes.
  [[nodiscard]] const std::uint8_t* row(int x, int y, int w) const noexcept {
    const std::size_t mw = ix(dp->mw), at = ix(w) * mw;
    if (x < y) return matrix.blocks[ix(pair_block(dp->n, x, y))] + at;
    return transposed.data() + ix(pair_block(dp->n, y, x)) * mw * mw + at;
  }

  ClimbSpace() = default;
  ClimbSpace(const ClimbSpace&) = delete;  // prox points into matrix
  ClimbSpace& operator=(const ClimbSpace&) = delete;
};

inline constexpr int kSecondWord = 1 << 16;  // marks a bonus position of the second word

// korvax's proximity matrix (and its transposes, so that every proximity of
// one word to all words of another sequence lies in a row) is built when it
// holds every proximity of the run exactly (none above 255) and both take at
// most this many bytes; otherwise the climb computes proximities on the fly.
inline constexpr std::size_t kClimbMatrixBudget = std::size_t{1} << 30;

// The greatest proximity the settings allow (every position at its best
// score, the spacing penalties at their most favourable).
[[nodiscard]] long long proximity_bound(const Settings& s) noexcept;

// Prepares the climbs of dp, read with s (both must outlive ret). Returns 0
// or ERMEM.
[[nodiscard]] Status prepare_climbs(const Settings& s, const DataPortion& dp, ClimbSpace& ret) noexcept;

// The signal moved by d letters: every (first) word starts d letters later,
// a word pair keeps its spacing. A word that would leave its sequence
// becomes no word.
[[nodiscard]] Words shift_words(const ClimbSpace& sp, const Words& words, int d);

struct ClimbResult {
  Words words;
  int quality = 0;  // x100
  int moves = 0;    // changes of one sequence's word
};

// Climbs from start (every word fitting its sequence, or mw). Returns 0 or
// ERMEM.
[[nodiscard]] Status climb(const ClimbSpace& sp, const Words& start, ClimbResult& ret) noexcept;
