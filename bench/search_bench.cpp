// search_bench.cpp: seconds per permutation of the signal search, and the
// peak memory, with the proximity matrix and on the fly.
//
//   korvax-search-bench FILE L [L2] [PERMUTATIONS]
//
// Reads the first data portion of FILE (default settings but l = L and
// l2 = L2), builds the proximity matrix, and searches PERMUTATIONS (default
// 1) random permutations both ways. Prints one line per mode.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <vector>

#include "config/cmdline.hpp"
#include "input/reader.hpp"
#include "search/gtree.hpp"

namespace {

long peak_kib() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

double search_all(const SearchEnv& env, const std::vector<std::vector<int>>& perms) {
  std::vector<std::int32_t> msg(static_cast<std::size_t>(2 * env.dp->n + 4));
  const auto t0 = std::chrono::steady_clock::now();
  for (const auto& p : perms) {
    GTree tree;
    if (table_alloc(tree.perm, p.size()) != 0) std::exit(2);
    for (std::size_t i = 0; i < p.size(); ++i) tree.perm[i] = static_cast<std::int16_t>(p[i]);
    Status st = build_gtree(&tree, env);
    if (st == 0) st = search_signal(&tree, env, msg.data());
    if (st != 0) {
      std::fprintf(stderr, "search failed: status %u\n", st);
      std::exit(2);
    }
    std::printf("  permutation searched: power %d, quality %.2f, avg proximity %.2f\n",
                msg[static_cast<std::size_t>(2 * env.dp->n + 1)], msg[static_cast<std::size_t>(2 * env.dp->n)] * 0.01,
                msg[static_cast<std::size_t>(2 * env.dp->n + 2)] * 0.01);
  }
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return secs / static_cast<double>(perms.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FILE L [L2] [PERMUTATIONS]\n", argv[0]);
    return 1;
  }
  Settings set;
  set.l = std::atoi(argv[2]);
  set.l2 = argc > 3 && std::atoi(argv[3]) > 0 ? std::atoi(argv[3]) : -1;
  const int count = argc > 4 ? std::atoi(argv[4]) : 1;
  set.diag_level = 0;
  if (derive_settings(set) != 0) return 1;
  std::FILE* in = std::fopen(argv[1], "r");
  DataPortion dp;
  Status run = 0;
  if (in == nullptr || (read_portion(in, set, dp, run) & ERDATA) != 0 || run != 0) {
    std::fprintf(stderr, "cannot read a usable data portion from %s\n", argv[1]);
    return 1;
  }
  std::fclose(in);
  std::printf("n=%d m=%d l=%d l2=%d mw=%d threshold=%d\n", dp.n, dp.m, set.l, set.l2, dp.mw, set.threshold);

  std::mt19937 rng(1);
  std::vector<std::vector<int>> perms;
  for (int k = 0; k < count; ++k) {
    std::vector<int> p(static_cast<std::size_t>(dp.n));
    std::iota(p.begin(), p.end(), 0);
    if (k > 0) std::shuffle(p.begin(), p.end(), rng);
    perms.push_back(p);
  }

  SearchEnv env;
  env.set = &set;
  env.dp = &dp;
  env.prox = ProxEnv{&set, &dp, nullptr};
  const double fly = search_all(env, perms);
  const long fly_peak = peak_kib();
  std::printf("on the fly: %.3f s per permutation, peak memory %.1f MiB\n", fly, fly_peak / 1024.0);

  ProxMatrix mx;
  const auto t0 = std::chrono::steady_clock::now();
  if (build_matrix(set, dp, nullptr, mx) != 0) {
    std::fprintf(stderr, "no memory for the proximity matrix\n");
    return 2;
  }
  const double build = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  env.prox.matrix = &mx;
  const double mat = search_all(env, perms);
  std::printf("matrix: %.3f s per permutation (matrix built in %.3f s, %.1f MiB), peak memory %.1f MiB\n",
              mat, build, static_cast<double>(mx.block.n) / 1048576.0, peak_kib() / 1024.0);
  return 0;
}
