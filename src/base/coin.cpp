// coin.cpp: the build's coin (compiled once per coin flavour).
#include "coin.hpp"

#include <ctime>

#include <unistd.h>

namespace {

// splitmix64's finaliser: a bijection of 64-bit words that spreads every
// input bit over the whole output.
std::uint64_t mix64(std::uint64_t z) noexcept {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15ull;  // splitmix64's step

}  // namespace

int coin_build_flip() noexcept {
#ifdef KORVAX_FIXED_COIN
  return 0;
#else
  return static_cast<int>(std::clock() & 1);
#endif
}

bool coin_build_fixed() noexcept {
#ifdef KORVAX_FIXED_COIN
  return true;
#else
  return false;
#endif
}

void CoinStream::refill() noexcept {
  state += kGolden;
  bits = mix64(state);
  left = 64;
  ++refills;
}

CoinStream coin_stream_fresh(int task) noexcept {
  CoinStream s;
  std::uint64_t z = mix64(static_cast<std::uint64_t>(std::clock()) + kGolden);
  z = mix64(z ^ static_cast<std::uint64_t>(std::time(nullptr)));
  z = mix64(z ^ static_cast<std::uint64_t>(getpid()));
  s.state = mix64(z ^ static_cast<std::uint32_t>(task));
  return s;
}

CoinStream coin_stream_seeded(std::uint32_t seed, int task) noexcept {
  CoinStream s;
  // Distinct (seed, task) pairs are distinct words, and mix64 keeps them so.
  s.state = mix64(static_cast<std::uint64_t>(seed) << 32 | static_cast<std::uint32_t>(task));
  return s;
}

Coin coin_of_stream(CoinStream& stream) noexcept {
  Coin c;
#ifdef KORVAX_FIXED_COIN
  (void)stream;
#else
  c.stream = &stream;
#endif
  return c;
}
