// coin_test.cpp: the coin's streams of bits.
#include "coin.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<bool> draw(CoinStream s, int count) {
  std::vector<bool> bits;
  for (int k = 0; k < count; ++k) bits.push_back(s.next());
  return bits;
}

// A seeded stream repeats for the same seed and task and differs for another
// task or seed; every stream reads odd about half the time, also in runs of
// two (a coin that alternated or stuck would fail).
TEST(Coin, SeededStreamsRepeatDifferAndBalance) {
  constexpr int kBits = 1 << 16;
  const std::vector<bool> a = draw(coin_stream_seeded(7, 1), kBits);
  EXPECT_EQ(a, draw(coin_stream_seeded(7, 1), kBits));
  EXPECT_NE(a, draw(coin_stream_seeded(7, 2), kBits));
  EXPECT_NE(a, draw(coin_stream_seeded(8, 1), kBits));
  EXPECT_NE(a, draw(coin_stream_seeded(0x80000007u, 1), kBits));
  for (const CoinStream& s : {coin_stream_seeded(7, 1), coin_stream_seeded(0, 0), coin_stream_fresh(3)}) {
    const std::vector<bool> bits = draw(s, kBits);
    int ones = 0, pairs_11 = 0;
    for (int k = 0; k < kBits; ++k) {
      ones += bits[static_cast<std::size_t>(k)];
      if (k > 0) pairs_11 += bits[static_cast<std::size_t>(k)] && bits[static_cast<std::size_t>(k - 1)];
    }
    EXPECT_NEAR(ones, kBits / 2, kBits / 50);
    EXPECT_NEAR(pairs_11, kBits / 4, kBits / 50);
  }
}

// A coin reads its stream when it has one; the fixed coin of this build
// (the tests link it) reads no stream and may skip ties.
TEST(Coin, ACoinReadsItsStream) {
  CoinStream s = coin_stream_seeded(42, 0), copy = s;
  const Coin c{[]() noexcept { return 0; }, &s};
  for (int k = 0; k < 200; ++k) EXPECT_EQ(c.odd(), copy.next());
  CoinStream unused;
  EXPECT_TRUE(coin_of_stream(unused).always_even());
  EXPECT_FALSE(c.always_even());
}

}  // namespace
