// stats_bench.cpp: the time the statistics of one signal take (LLR p-value,
// site p-values, E-value), for the sizes korvax-export meets. Not a test:
// the figures go to docs/statistics.md.
//
// Usage: korvax-stats-bench [SEED]   prints one line per shape.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "stats/evalue.hpp"
#include "stats/log_value.hpp"

namespace {

// nsites sites of width w over letters, conserved in two columns of three,
// in sequences of 200 letters, timed against a uniform background.
void shape(const char* letters, int nsites, int w, unsigned seed) {
  std::mt19937 rng(seed);
  const std::string abc = letters;
  Background bg;
  if (uniform_background(abc, bg) != 0) return;
  SignalData d;
  d.span = {w, 0, 0, 0};
  for (int i = 0; i < nsites; ++i) {
    std::string word;
    for (int j = 0; j < w; ++j)
      word += abc[rng() % 3 == 0 ? rng() % abc.size() : static_cast<std::size_t>(j) % abc.size()];
    d.words.push_back(word);
    d.site_seqs.push_back(i);
    d.lengths.push_back(200);
  }
  SignalStats st;
  const auto t0 = std::chrono::steady_clock::now();
  const Status s = signal_stats(d, bg, st);
  const double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-7s %3d sites x %3d: status %u, E-value %s, %.2f s\n", abc.size() == 4 ? "DNA" : "protein",
              nsites, w, s, format_log_value(st.log_evalue).c_str(), sec);
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned seed = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 1;
  const char* dna = "ACGT";
  const char* protein = "ACDEFGHIKLMNPQRSTVWY";
  shape(dna, 18, 22, seed);
  shape(dna, 64, 22, seed);
  shape(dna, 256, 22, seed);
  shape(dna, 256, 64, seed);
  shape(dna, 64, 128, seed);
  shape(protein, 20, 15, seed);
  shape(protein, 64, 20, seed);
  shape(protein, 256, 20, seed);
  return 0;
}
