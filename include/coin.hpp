// coin.hpp: the one tie-break of korvax.
//
// Wherever two candidates score equal, the coin decides: odd keeps the later
// candidate. The build's coin reads the parity of the processor-time clock;
// a build with KORVAX_FIXED_COIN always reads even, so equal candidates keep
// the first in scan order. Tests may put a scripted flip into a Coin.
#pragma once

using CoinFlip = int (*)() noexcept;

// The build's coin: clock() parity, or 0 in a KORVAX_FIXED_COIN build.
int coin_build_flip() noexcept;
// True in a KORVAX_FIXED_COIN build.
bool coin_build_fixed() noexcept;

struct Coin {
  CoinFlip flip = coin_build_flip;
  [[nodiscard]] bool odd() const noexcept { return (flip() & 1) != 0; }
  // True when the coin can only read even: then a tie never replaces the
  // first of equal candidates, and a search need not offer it.
  [[nodiscard]] bool always_even() const noexcept { return flip == coin_build_flip && coin_build_fixed(); }
};
