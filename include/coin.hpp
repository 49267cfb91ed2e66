// coin.hpp: the one tie-break of korvax.
//
// Wherever two candidates score equal, the coin decides: odd keeps the later
// candidate. A task's coin reads a stream of bits made once per task (see
// CoinStream); a build with KORVAX_FIXED_COIN always reads even, so equal
// candidates keep the first in scan order. Tests may put a scripted flip into
// a Coin.
#pragma once

#include <cstdint>

using CoinFlip = int (*)() noexcept;

// The build's coin without a stream: clock() parity, or 0 in a
// KORVAX_FIXED_COIN build.
int coin_build_flip() noexcept;
// True in a KORVAX_FIXED_COIN build.
bool coin_build_fixed() noexcept;

// A stream of coin bits: splitmix64, 64 bits drawn at a time and read one by
// one, so that a tie costs a shift instead of a reading of the clock.
struct CoinStream {
  std::uint64_t state = 0;
  std::uint64_t bits = 0;
  int left = 0;               // bits of `bits` not read yet
  std::uint64_t refills = 0;  // draws of 64 bits so far (the benchmark counts ties by them)

  [[nodiscard]] bool next() noexcept {
    if (left == 0) refill();
    const bool b = (bits & 1u) != 0;
    bits >>= 1;
    --left;
    return b;
  }
  void refill() noexcept;
};

// A stream that no data can predict: seeded from the processor-time clock,
// the time of day, the process id and the task number.
[[nodiscard]] CoinStream coin_stream_fresh(int task) noexcept;
// The stream of task `task` under seed `seed`: the same pair gives the same
// bits, different tasks different streams.
[[nodiscard]] CoinStream coin_stream_seeded(std::uint32_t seed, int task) noexcept;

struct Coin {
  CoinFlip flip = coin_build_flip;
  CoinStream* stream = nullptr;  // when set, the coin reads its bits instead of flip
  [[nodiscard]] bool odd() const noexcept { return stream != nullptr ? stream->next() : (flip() & 1) != 0; }
  // True when the coin can only read even: then a tie never replaces the
  // first of equal candidates, and a search need not offer it.
  [[nodiscard]] bool always_even() const noexcept {
    return stream == nullptr && flip == coin_build_flip && coin_build_fixed();
  }
};

// The coin of a task reading `stream` (which must outlive it); in a
// KORVAX_FIXED_COIN build the fixed coin, which reads no stream.
[[nodiscard]] Coin coin_of_stream(CoinStream& stream) noexcept;
