// serve_profile.hpp: where a secondary task's time goes, for the benchmark.
//
// Only a build with KORVAX_PROFILE (bench/korvax-profile) keeps the times;
// korvax itself compiles every call below to nothing. The profile build
// writes one line per data portion on standard error and nothing else.
#pragma once

#include <cstdint>
#include <cstdio>

#ifdef KORVAX_PROFILE
#include <chrono>
#include <ctime>
#endif

#include "coin.hpp"

struct ServeProfile {
#ifdef KORVAX_PROFILE
  // Each part as wall seconds [0] and as seconds of the task's CPU [1].
  double search[2] = {}, gtree[2] = {}, messages[2] = {}, waiting[2] = {};
  int perms = 0;
  std::uint64_t refills_at_start = 0;
  std::chrono::steady_clock::time_point mark = std::chrono::steady_clock::now();
  std::clock_t cpu_mark = std::clock();

  explicit ServeProfile(const CoinStream& coin) noexcept : refills_at_start(coin.refills) {}
  // Adds the time since the last lap to `into`.
  void lap(double (&into)[2]) noexcept {
    const auto t = std::chrono::steady_clock::now();
    const std::clock_t c = std::clock();
    into[0] += std::chrono::duration<double>(t - mark).count();
    into[1] += static_cast<double>(c - cpu_mark) / CLOCKS_PER_SEC;
    mark = t;
    cpu_mark = c;
  }
  void report(int task, const CoinStream& coin) const noexcept {
    std::fprintf(stderr,
                 "[T%d] profile: %d permutations; wall (cpu) seconds: search %.3f (%.3f), G-tree build "
                 "%.4f (%.4f), messages %.4f (%.4f), waiting %.3f (%.3f); coin readings %llu\n",
                 task, perms, search[0], search[1], gtree[0], gtree[1], messages[0], messages[1], waiting[0],
                 waiting[1], static_cast<unsigned long long>((coin.refills - refills_at_start) * 64));
  }
#else
  double search[2] = {}, gtree[2] = {}, messages[2] = {}, waiting[2] = {};
  int perms = 0;
  explicit ServeProfile(const CoinStream&) noexcept {}
  void lap(double (&)[2]) noexcept {}
  void report(int, const CoinStream&) const noexcept {}
#endif
  static constexpr bool kOn =
#ifdef KORVAX_PROFILE
      true;
#else
      false;
#endif
};
