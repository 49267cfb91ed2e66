// search_bench.cpp: both signal searches on the same input, side by side.
//
//   korvax-search-bench FILE [OPTION...]
//
// Reads the first data portion of FILE and searches the same permutations
// (the identity, then seeded shuffles) with the straightforward search and
// with the fast one, each in a child process of its own so that each peak
// memory is its own. Prints, per engine, the CPU seconds per permutation
// (the proximity matrix built beforehand and not counted), the peak memory,
// and the ratio; checks that both found the same results.
//
// Options (korvax's own forms where korvax has one):
//   -Ln -LLn -SMINn -SMAXn -SPENs -Mm -MMm -MBn -MPn -Tn -ACID -X0 -BGn
//   -RC -K        both strands, masked lower-case letters (the reader
//                 builds the portion as korvax does: m and mw count both
//                 strands and the junction)
//   perms=N       permutations searched by the fast search (default 3)
//   ref=N         of these, searched by the reference too (default: all)
//   -BGboth       the same permutations under -BG0, then under -BG1
//   full=1        also the fast search working out every key where both
//                 strands would let it take half of them from their
//                 mirrors (the search before it did so)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "config/cmdline.hpp"
#include "input/reader.hpp"
#include "proximity/background.hpp"
#include "search/search.hpp"

namespace {

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Bench {
  Settings set;
  DataPortion dp;
  int perms = 3, ref = -1;
  bool full = false;  // also the fast search over every key
  std::vector<std::vector<int>> order;
};

// Runs the engine on the first `count` permutations in a child process; the
// child writes its results and seconds into a pipe. Returns the peak memory
// in MiB, the seconds per permutation and the results.
struct Run {
  double seconds = 0, build = 0, peak_mib = 0;
  bool matrix = false;
  MergeCounts counts;  // the fast search's merge steps, over every permutation
  std::vector<std::int32_t> results;
};

Run run_engine(const Bench& b, bool fast, int count, bool full = false) {
  int fd[2];
  if (pipe(fd) != 0) std::exit(2);
  const std::size_t per = static_cast<std::size_t>(2 * b.dp.n + 4);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fd[0]);
    ProxMatrix mx;
    const double t0 = cpu_seconds();
    const bool matrix = b.set.prox_mode == ProxMode::kMatrix && build_matrix(b.set, b.dp, nullptr, mx) == 0;
    SearchEnv env;
    env.set = &b.set;
    env.dp = &b.dp;
    env.prox = ProxEnv{&b.set, &b.dp, matrix ? &mx : nullptr};
    env.full_search = full;
    FastSearch fs;
    if (fast && prepare_fast_search(b.set, b.dp, env.prox.matrix, fs) != 0) std::_Exit(3);
    const double t1 = cpu_seconds();
    std::vector<std::int32_t> all;
    for (int k = 0; k < count; ++k) {
      GTree t;
      std::vector<std::int32_t> msg(per);
      if (table_alloc(t.perm, static_cast<std::size_t>(b.dp.n)) != 0) std::_Exit(3);
      for (int i = 0; i < b.dp.n; ++i)
        t.perm[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(b.order[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)]);
      if (search_permutation(t, fs, env, msg.data()) != 0) std::_Exit(4);  // fs unprepared: the reference
      all.insert(all.end(), msg.begin(), msg.end());
    }
    const double t2 = cpu_seconds();
    const double head[3] = {(t2 - t1) / count, t1 - t0, matrix ? 1.0 : 0.0};
    if (write(fd[1], head, sizeof head) != sizeof head ||
        write(fd[1], &fs.counts, sizeof fs.counts) != sizeof fs.counts ||
        write(fd[1], all.data(), all.size() * sizeof(std::int32_t)) !=
            static_cast<ssize_t>(all.size() * sizeof(std::int32_t)))
      std::_Exit(5);
    std::_Exit(0);
  }
  close(fd[1]);
  Run r;
  double head[3];
  r.results.resize(per * static_cast<std::size_t>(count));
  const bool ok = read(fd[0], head, sizeof head) == sizeof head &&
                  read(fd[0], &r.counts, sizeof r.counts) == sizeof r.counts;
  std::size_t got = 0, want = r.results.size() * sizeof(std::int32_t);
  while (ok && got < want) {
    const ssize_t k = read(fd[0], reinterpret_cast<char*>(r.results.data()) + got, want - got);
    if (k <= 0) break;
    got += static_cast<std::size_t>(k);
  }
  close(fd[0]);
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  if (!ok || got < want || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the %s search failed (exit %d)\n", fast ? "fast" : "reference",
                 WEXITSTATUS(status));
    std::exit(2);
  }
  r.seconds = head[0];
  r.build = head[1];
  r.matrix = head[2] != 0;
  r.peak_mib = static_cast<double>(ru.ru_maxrss) / 1024.0;
  return r;
}

bool option(const char* a, const char* name, const char** value) {
  const std::size_t k = std::strlen(name);
  if (strncasecmp(a, name, k) != 0) return false;
  *value = a + k;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s FILE [-Ln -LLn -SMINn -SMAXn -SPENs -M'm' -MM'm' -MBn -MPn -Tn -ACID -X0 -BGn "
                 "-RC -K perms=N ref=N full=1]\n",
                 argv[0]);
    return 1;
  }
  Bench b;
  b.set.diag_level = 0;
  bool both = false;
  for (int k = 2; k < argc; ++k) {
    const char* a = argv[k];
    const char* v = nullptr;
    if (option(a, "perms=", &v))
      b.perms = std::atoi(v);
    else if (option(a, "ref=", &v))
      b.ref = std::atoi(v);
    else if (option(a, "full=", &v))
      b.full = std::atoi(v) != 0;
    else if (option(a, "-SMIN", &v))
      b.set.smin = std::atoi(v);
    else if (option(a, "-SMAX", &v))
      b.set.smax = std::atoi(v);
    else if (option(a, "-SPEN", &v))
      std::snprintf(b.set.pen_text, sizeof b.set.pen_text, "%s", v);
    else if (option(a, "-ACID", &v))
      b.set.acid = true;
    else if (strcasecmp(a, "-RC") == 0)
      b.set.both_strands = true;
    else if (strcasecmp(a, "-K") == 0)
      b.set.mask_lower = true;
    else if (option(a, "-LL", &v))
      b.set.l2 = std::atoi(v);
    else if (option(a, "-L", &v))
      b.set.l = std::atoi(v);
    else if (option(a, "-MM'", &v)) {
      b.set.motif2_given = true;
      std::snprintf(b.set.motif2, sizeof b.set.motif2, "%.*s", static_cast<int>(std::strcspn(v, "'")), v);
    } else if (option(a, "-M'", &v)) {
      b.set.motif_given = true;
      std::snprintf(b.set.motif, sizeof b.set.motif, "%.*s", static_cast<int>(std::strcspn(v, "'")), v);
    } else if (option(a, "-MB", &v))
      b.set.a_bonus = std::atoi(v);
    else if (option(a, "-MP", &v))
      b.set.a_penalty = std::atoi(v);
    else if (option(a, "-T", &v))
      b.set.threshold = std::atoi(v);
    else if (option(a, "-X", &v))
      b.set.prox_mode = std::atoi(v) != 0 ? ProxMode::kMatrix : ProxMode::kOnTheFly;
    else if (option(a, "-BGboth", &v))
      both = true;
    else if (option(a, "-BG", &v))
      b.set.background = std::atoi(v) == 1;
    else {
      std::fprintf(stderr, "unknown option %s\n", a);
      return 1;
    }
  }
  if (derive_settings(b.set) != 0) {
    std::fprintf(stderr, "invalid settings\n");
    return 1;
  }
  std::FILE* in = std::fopen(argv[1], "r");
  Status run = 0;
  if (in == nullptr || (read_portion(in, b.set, b.dp, run) & ERDATA) != 0 || run != 0) {
    std::fprintf(stderr, "cannot read a usable data portion from %s\n", argv[1]);
    return 1;
  }
  std::fclose(in);
  if (b.ref < 0 || b.ref > b.perms) b.ref = b.perms;

  std::mt19937 rng(1);
  std::vector<int> p(static_cast<std::size_t>(b.dp.n));
  std::iota(p.begin(), p.end(), 0);
  for (int k = 0; k < b.perms; ++k) {
    b.order.push_back(p);
    std::shuffle(p.begin(), p.end(), rng);
  }
  bool same_all = true;
  for (int bg = both ? 0 : b.set.background; bg <= (both ? 1 : b.set.background); ++bg) {
    b.set.background = bg;
    b.dp.derived = derive_portion(b.set, b.dp);  // -BG1: the weights and threshold of the portion
    std::printf(
        "%s: n=%d m=%d l=%d l2=%d mw=%d -BG%d%s%s threshold=%d, %s, %d permutations (%d with the "
        "reference)\n",
        argv[1], b.dp.n, b.dp.m, b.set.l, b.set.l2, b.dp.mw, bg, b.set.both_strands ? " -RC" : "",
        b.set.mask_lower ? " -K" : "", b.dp.derived.threshold,
        b.set.prox_mode == ProxMode::kMatrix ? "proximity matrix" : "on the fly", b.perms, b.ref);
    std::fflush(stdout);
    const Run fast = run_engine(b, true, b.perms);
    const Run ref = b.ref > 0 ? run_engine(b, false, b.ref) : Run{};
    const std::size_t per = static_cast<std::size_t>(2 * b.dp.n + 4);
    const bool same = b.ref == 0 || std::equal(ref.results.begin(), ref.results.end(), fast.results.begin());
    const auto& r0 = fast.results;
    std::printf("  signal of the first permutation: power %d, quality %.2f\n", r0[per - 3],
                r0[per - 4] * 0.01);
    if (fast.matrix) std::printf("  proximity matrix built in %.3f s\n", fast.build);
    if (b.ref > 0)
      std::printf("  reference: %9.4f s per permutation, peak %7.1f MiB\n", ref.seconds, ref.peak_mib);
    std::printf("  fast:      %9.4f s per permutation, peak %7.1f MiB\n", fast.seconds, fast.peak_mib);
    // How much the merge steps tested: the work that grows as words cubed.
    const MergeCounts& mc = fast.counts;
    const double pp = static_cast<double>(b.perms);
    std::printf(
        "  merge steps, per permutation: %.0f own words, %.1f candidates with a cost each, %.3g member-sum "
        "tests over %.3g words, %.2f%% admissible\n",
        static_cast<double>(mc.own_words) / pp,
        static_cast<double>(mc.costly) / static_cast<double>(mc.own_words ? mc.own_words : 1),
        static_cast<double>(mc.tests) / pp, static_cast<double>(mc.words) / pp,
        100.0 * static_cast<double>(mc.admissible) / static_cast<double>(mc.words ? mc.words : 1));
    if (b.full) {
      const Run every = run_engine(b, true, b.perms, true);
      const auto& e0 = every.results;
      std::printf(
          "  fast, every key: %9.4f s per permutation, peak %7.1f MiB, first signal: power %d, quality "
          "%.2f\n",
          every.seconds, every.peak_mib, e0[per - 3], e0[per - 4] * 0.01);
    }
    if (b.ref > 0)
      std::printf("  ratio:     %9.1f x, results %s\n", ref.seconds / fast.seconds,
                  same ? "identical" : "DIFFERENT");
    std::fflush(stdout);
    same_all = same_all && same;
  }
  return same_all ? 0 : 3;
}
