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

struct Coin {
  CoinFlip flip = coin_build_flip;
  [[nodiscard]] bool odd() const noexcept { return (flip() & 1) != 0; }
};
