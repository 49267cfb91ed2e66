// planted.cpp: writes a data portion with a planted motif, for benchmarks.
//
//   korvax-planted [--strands] N LENGTH WORD SEED [MUTATIONS [WITHOUT [AT]]]
//
// N random DNA sequences of LENGTH letters (seeded, reproducible), each but
// the last WITHOUT (default 0) with one copy of a random motif of WORD
// letters at a random place, in which up to MUTATIONS letters (default 2)
// are changed. With AT (a percentage, say 65) the letters are drawn with
// that share of a and t, and every sequence also gets two low-complexity
// runs of WORD + 4 letters, as AT-rich promoters have them: a poly-A run and
// a TA repeat, and the motif is drawn with the opposite share (GC-rich).
// With --strands (anywhere among the arguments) each copy lands on a random
// strand: on '-' the reverse complement of the copy is written, and the
// title names the strand after the place, `planted at 61-` (the place is the
// leftmost letter on the given strand, as korvax -RC prints it). The strands
// come from a stream of their own seeded from SEED, so the letters and places
// are those of the same command without --strands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

// True when [at, at + len) meets none of the taken ranges.
bool free_at(const std::size_t* from, const std::size_t* to, int taken, std::size_t at, std::size_t len) {
  for (int k = 0; k < taken; ++k)
    if (at < to[k] && from[k] < at + len) return false;
  return true;
}

// The reverse complement of a word of a, c, g and t.
std::string reverse_complement(const std::string& w) {
  std::string r;
  for (auto c = w.rbegin(); c != w.rend(); ++c)
    r += *c == 'a' ? 't' : *c == 'c' ? 'g' : *c == 'g' ? 'c' : 'a';
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  bool strands = false;  // --strands taken out, the rest read by position
  int kept = 1;
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--strands") == 0)
      strands = true;
    else
      argv[kept++] = argv[k];
  }
  argc = kept;
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s [--strands] N LENGTH WORD SEED [MUTATIONS [WITHOUT [AT]]]\n", argv[0]);
    return 1;
  }
  const int n = std::atoi(argv[1]), len = std::atoi(argv[2]), word = std::atoi(argv[3]);
  const int mutations = argc > 5 ? std::atoi(argv[5]) : 2;
  const int without = argc > 6 ? std::atoi(argv[6]) : 0;
  const int at_share = argc > 7 ? std::atoi(argv[7]) : 0;  // 0: four equal letters, no runs
  const int runs = at_share > 0 ? 2 : 0;
  if (n < 1 || word < 1 || len < word || at_share < 0 || at_share > 100 || len < (runs + 1) * (word + 4)) {
    std::fprintf(stderr, "bad sizes\n");
    return 1;
  }
  const auto seed = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
  std::mt19937 rng(seed), strand_rng(seed + 1);
  std::uniform_int_distribution<int> letter(0, 3), percent(0, 99);
  const char* acgt = "acgt";
  const auto background = [&]() {
    if (at_share == 0) return acgt[letter(rng)];
    const bool weak = percent(rng) < at_share;
    return weak ? "at"[rng() % 2] : "cg"[rng() % 2];
  };
  std::string
      motif;  // with AT, drawn with the opposite share, as GC-rich sites (CACGTG) are in AT-rich promoters
  for (int k = 0; k < word; ++k)
    motif += at_share == 0                   ? acgt[letter(rng)]
             : percent(rng) < 100 - at_share ? "at"[rng() % 2]
                                             : "cg"[rng() % 2];
  const auto place = [&](std::size_t span) {
    return static_cast<std::size_t>(rng() % static_cast<unsigned>(static_cast<std::size_t>(len) - span + 1));
  };
  for (int i = 0; i < n; ++i) {
    std::string s;
    for (int k = 0; k < len; ++k) s += background();
    std::size_t from[3], to[3];
    int taken = 0;
    const auto run_len = static_cast<std::size_t>(word + 4);
    for (int r = 0; r < runs; ++r) {  // poly-A, then the TA repeat
      std::size_t at = place(run_len);
      while (!free_at(from, to, taken, at, run_len)) at = place(run_len);
      for (std::size_t k = 0; k < run_len; ++k) s[at + k] = r == 0 ? 'a' : "ta"[k % 2];
      from[taken] = at;
      to[taken++] = at + run_len;
    }
    std::string copy = motif;
    for (int m = 0; m < mutations; ++m)
      copy[static_cast<std::size_t>(rng() % static_cast<unsigned>(word))] = acgt[letter(rng)];
    std::size_t at = place(static_cast<std::size_t>(word));
    while (!free_at(from, to, taken, at, static_cast<std::size_t>(word)))
      at = place(static_cast<std::size_t>(word));
    if (i >= n - without) {
      std::printf(">seq%d without a site\n%s\n", i + 1, s.c_str());
      continue;
    }
    if (!strands) {
      s.replace(at, static_cast<std::size_t>(word), copy);
      std::printf(">seq%d planted at %zu\n%s\n", i + 1, at + 1, s.c_str());
      continue;
    }
    const bool reverse = strand_rng() % 2 != 0;
    s.replace(at, static_cast<std::size_t>(word), reverse ? reverse_complement(copy) : copy);
    std::printf(">seq%d planted at %zu%c\n%s\n", i + 1, at + 1, reverse ? '-' : '+', s.c_str());
  }
  return 0;
}
