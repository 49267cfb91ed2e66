// coin_bench.cpp: the cost of one reading of the coin, in nanoseconds.
//
//   korvax-coin-bench [READINGS]
//
// Reads the processor-time clock's parity (the coin korvax read at every tie
// before it had streams) and a task's stream of bits READINGS times each
// (default 2,000,000), and prints the wall time per reading of each. The
// count of odd readings is printed so that no reading can be left out.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "coin.hpp"

namespace {

template <class Read>
void measure(const char* name, long readings, Read read) {
  const auto start = std::chrono::steady_clock::now();
  long odd = 0;
  for (long k = 0; k < readings; ++k) odd += read() ? 1 : 0;
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-28s %8.2f ns per reading (%ld of %ld odd)\n", name, s * 1e9 / static_cast<double>(readings),
              odd, readings);
}

}  // namespace

int main(int argc, char** argv) {
  const long readings = argc > 1 ? std::atol(argv[1]) : 2000000;
  if (readings <= 0) {
    std::fprintf(stderr, "usage: %s [READINGS]\n", argv[0]);
    return 1;
  }
  measure("clock() parity", readings, []() noexcept { return (std::clock() & 1) != 0; });
  CoinStream stream = coin_stream_fresh(1);
  const Coin coin{coin_build_flip, &stream};
  measure("stream of bits (Coin::odd)", readings, [&coin]() noexcept { return coin.odd(); });
  return 0;
}
