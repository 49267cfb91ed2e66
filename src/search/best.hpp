// best.hpp: the one way the search picks the best of a scan.
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
