// best.hpp: the one record of the best of a scan, for both engines: the
// reference's scans offer to it, the fast engine's picks return it.
#pragma once

#include "coin.hpp"

// Candidates are offered in scan order, starting from a best value of -1: a
// greater value replaces the best, an equal one replaces it when the coin
// reads odd.
struct Best {
  int value = -1;
  int first = -1;   // the chosen candidate (or the first of a chosen pair)
  int second = -1;  // the second of a chosen pair

  void offer(int v, int a, int b, const Coin& coin) noexcept {
    if (v > value || (v == value && coin.odd())) {
      value = v;
      first = a;
      second = b;
    }
  }
  [[nodiscard]] bool found() const noexcept { return first >= 0; }
};
