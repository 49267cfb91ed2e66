// planted.cpp: writes a data portion with a planted motif, for benchmarks.
//
//   korvax-planted N LENGTH WORD SEED [MUTATIONS [WITHOUT]]
//
// N random DNA sequences of LENGTH letters (seeded, reproducible), each but
// the last WITHOUT (default 0) with one copy of a random motif of WORD
// letters at a random place, in which up to MUTATIONS letters (default 2)
// are changed.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s N LENGTH WORD SEED [MUTATIONS [WITHOUT]]\n", argv[0]);
    return 1;
  }
  const int n = std::atoi(argv[1]), len = std::atoi(argv[2]), word = std::atoi(argv[3]);
  const int mutations = argc > 5 ? std::atoi(argv[5]) : 2;
  const int without = argc > 6 ? std::atoi(argv[6]) : 0;
  if (n < 1 || word < 1 || len < word) {
    std::fprintf(stderr, "bad sizes\n");
    return 1;
  }
  std::mt19937 rng(static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
  std::uniform_int_distribution<int> letter(0, 3);
  const char* acgt = "acgt";
  std::string motif;
  for (int k = 0; k < word; ++k) motif += acgt[letter(rng)];
  for (int i = 0; i < n; ++i) {
    std::string s;
    for (int k = 0; k < len; ++k) s += acgt[letter(rng)];
    std::string copy = motif;
    for (int m = 0; m < mutations; ++m) copy[static_cast<std::size_t>(rng() % static_cast<unsigned>(word))] = acgt[letter(rng)];
    const auto at = static_cast<std::size_t>(rng() % static_cast<unsigned>(len - word + 1));
    if (i >= n - without) {
      std::printf(">seq%d without a site\n%s\n", i + 1, s.c_str());
      continue;
    }
    s.replace(at, static_cast<std::size_t>(word), copy);
    std::printf(">seq%d planted at %zu\n%s\n", i + 1, at + 1, s.c_str());
  }
  return 0;
}
