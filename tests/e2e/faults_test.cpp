// faults_test.cpp: faults injected into the real program under mpiexec:
// memory refused at each allocation path, a failed flush of each kind of
// file, a task that dies. Every run must end (the harness's time limit),
// cleanly, with the fault in its status and nothing finished lost.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "e2e/harness.hpp"

namespace {

// Whether text holds a report of a sanitizer or of a task that died.
bool troubled(const std::string& text) {
  return contains(text, "Sanitizer") || contains(text, "runtime error") || contains(text, "BAD TERMINATION");
}

// Every memory request of korvax, refused in turn: the shim (fail_alloc.cpp)
// numbers the allocation paths of each task in the order they first ask and
// refuses the first request of one path of one task. Each refusal ends the
// run cleanly, either with ERMEM or, where a task can do without (the
// proximity matrix, the fast search's tables), with the very console of the
// run that was refused nothing. The secondary task is tried with the
// proximity matrix, with word pairs on the fly (-X0) and with the
// straightforward search (which -D4 asks for), so that every allocation site
// is reached.
TEST(Faults, MemoryRefusedAtEachAllocationPath) {
  const std::string shim = "LD_PRELOAD=" + std::string(KORVAX_FAIL_ALLOC_SHIM) + " ";
  // Six sequences: the search has a quad step and a merge step.
  const std::string input = "acgtacgtacgt\nacgtacgttcgt\nacgtacgtacgg\ntcgtacgtacgt\nacgaacgtacgt\nacgtacctacgt\n";
  const struct {
    std::vector<std::string> args;
    std::vector<int> tasks;
  } rows[] = {{{"-D2"}, {0, 1}}, {{"-X0", "-LL3", "-SMIN0", "-SMAX1", "-SPEN0,1"}, {1}}, {{"-D4"}, {1}}};
  for (const auto& row : rows) {
    std::vector<std::string> args = {"-L6", "-F", "in.fa"};
    args.insert(args.begin(), row.args.begin(), row.args.end());
    const char* mode = row.args[0].c_str();
    Workdir wd;
    wd.write("in.fa", input);
    const RunResult plain = run_korvax_env(wd, 2, args, shim + "FAIL_ALLOC_COUNT=paths ");
    ASSERT_EQ(plain.exit_code, 0) << mode;
    for (int task : row.tasks) {
      int paths = 0;
      std::ifstream(wd.path + "/paths." + std::to_string(task)) >> paths;
      EXPECT_GT(paths, 5) << mode << " task " << task;  // the shim saw the requests
      std::printf("%s task %d: %d allocation paths\n", mode, task, paths);
      for (int path = 0; path < paths; ++path) {
        Workdir w;
        w.write("in.fa", input);
        const std::string env =
            shim + "FAIL_ALLOC_TASK=" + std::to_string(task) + " FAIL_ALLOC_PATH=" + std::to_string(path) + " ";
        const RunResult r = run_korvax_env(w, 2, args, env);
        const std::string where = std::string(mode) + " task " + std::to_string(task) + ", path " +
                                  std::to_string(path);
        if ((r.exit_code & 0x10) == 0) {
          EXPECT_EQ(mask_times(r.out), mask_times(plain.out)) << where;
        }
        EXPECT_FALSE(troubled(r.err)) << where << "\n" << r.err;
        EXPECT_TRUE(contains(r.out, "Thank you for using the program.\n")) << where;
      }
    }
  }
}

// A failed flush of each kind of file, at the lines where it matters. The
// shim (fail_flush.c) fails every flush of the named file from the chosen one
// on, as a full device does; /dev/full is one for real. Every case ends with
// ERIO in the run status and the exit code, and says where it went wrong.
TEST(Faults, FailedFlushOfEachKindOfFile) {
  const std::string shim = "LD_PRELOAD=" + std::string(KORVAX_FAIL_FLUSH_SHIM) + " FAIL_FLUSH_SUFFIX=";
  const struct {
    const char* what;
    std::string env;
    std::vector<std::string> args;
    const char* err;
    std::vector<std::string> shown, not_shown;  // on the console
  } cases[] = {
      // A secondary task that cannot write its file gives up at once and the
      // root task ends the run; the copy of a device ends too.
      {"secondary file on a full device", "ln -s /dev/full in.fa._1 && ", {"-L6", "in.fa"},
       "Error 4 in a secondary task\n", {"Global RC: ERIO"}, {"RC: OK", "Job accepted (n=2"}},
      {"the same, copied at -D2", "ln -s /dev/full in.fa._1 && ", {"-L6", "-D2", "in.fa"},
       "Error 4 in a secondary task\n", {"Global RC: ERIO"}, {"RC: OK", "Job accepted (n=2"}},
      {"secondary file at a permutation", shim + "in.fa._2 FAIL_FLUSH_AFTER=4 ", {"-L6", "-D2", "-ZS", "in.fa"},
       "Error 4 in a secondary task\n", {"Global RC: ERIO"}, {"Job accepted (n=2"}},
      // After the stop message the root task hears of it at the end of the run.
      {"secondary file after the stop message", shim + "in.fa._1 FAIL_FLUSH_MATCH='Forced task' ",
       {"-L6", "in.fa"}, "Error 4 in a secondary task\n", {"RC: OK", "Global RC: ERIO"}, {"Job accepted (n=2"}},
      // The portion's "RC:" line that did not reach the result file is not
      // shown on the console either: the run goes to the shutdown.
      {"result file at the RC line", shim + "in.fa.out FAIL_FLUSH_MATCH='RC: ' ", {"-L6", "in.fa"}, "",
       {"Best quality result #1", "Global RC: ERIO"}, {"\nRC:", "Job accepted (n=2"}},
      {"history file", shim + "in.fa.csv ", {"-L6", "-F", "in.fa"}, "",
       {"Job accepted (n=2", "RC: ERIO", "Global RC: ERIO"}, {"RC: OK"}},
  };
  for (const auto& c : cases) {
    Workdir wd;
    wd.write("in.fa", golden_input());
    const RunResult r = run_korvax_env(wd, 3, c.args, c.env);
    EXPECT_EQ(r.err, c.err) << c.what;
    EXPECT_EQ(r.exit_code, 0x4) << c.what;
    for (const auto& text : c.shown) EXPECT_TRUE(contains(r.out, text)) << c.what << ": " << text;
    for (const auto& text : c.not_shown) EXPECT_FALSE(contains(r.out, text)) << c.what << ": " << text;
  }
}

// Word pairs in long sequences: the proximity matrix cannot be had (the task
// says so and computes on the fly), then neither can the G-tree: the task
// status carries ERMEM to the root task, which ends the run.
TEST(Faults, NoMemoryForTheMatrixNorForTheTree) {
  Workdir wd;
  std::string text;
  std::uint32_t x = 12345;
  for (int i = 0; i < 20; ++i) {
    for (int k = 0; k < 4095; ++k) text += "acgt"[(x = x * 1103515245u + 12345u) >> 30];
    text += "\n";
  }
  wd.write("in.fa", text);
#ifdef KORVAX_SANITIZED
  const std::string limit;  // the sanitizer refuses requests beyond 8 GiB itself
#else
  const std::string limit = "ulimit -v 8000000 && ";  // 8 GB of address space
#endif
  const RunResult r = run_korvax_env(wd, 2, {"-LL6", "-ZS", "in.fa"}, limit);
  EXPECT_TRUE(contains(wd.read("in.fa._1"), "[T1] No memory for matrix - calculate on the fly!\n"));
  // The sanitizer's allocator warns of every refusal; only korvax's lines count.
  std::string err;
  for (std::size_t at = 0, end; at < r.err.size(); at = end + 1) {
    end = r.err.find('\n', at);
    if (end == std::string::npos) end = r.err.size();
    const std::string line = r.err.substr(at, end - at);
    if (!contains(line, "AddressSanitizer failed to allocate")) err += line + "\n";
  }
  EXPECT_EQ(err, "Error 16 in a secondary task\n");
  EXPECT_TRUE(contains(r.out, "Global RC: ERMEM"));
  EXPECT_EQ(r.exit_code, 0x10);
}


// A task that dies takes the job with it at once; every portion finished
// before stays complete in the result file. The shim kills the task when it
// flushes the parameters line of the second portion (n=2).
TEST(Faults, AKilledTaskEndsTheJob) {
  const std::string shim = "LD_PRELOAD=" + std::string(KORVAX_FAIL_FLUSH_SHIM) +
                           " FAIL_FLUSH_MATCH='n=2  logn' FAIL_FLUSH_KILL=1 FAIL_FLUSH_SUFFIX=";
  for (const char* file : {"in.fa.out", "in.fa._1", "in.fa._2"}) {
    Workdir wd;
    wd.write("in.fa", golden_input());
    const RunResult r = run_korvax_env(wd, 3, {"-L6", "-ZS", "in.fa"}, shim + file + " ");
    EXPECT_NE(r.exit_code, 0) << file;
    EXPECT_TRUE(contains(r.out, "RC: OK")) << file;  // the first portion
    EXPECT_FALSE(contains(r.out, "Global RC")) << file;
    const std::string result = mask_times(wd.read("in.fa.out"));
    EXPECT_TRUE(contains(result, "Best quality result #1 [") && contains(result, "RC: 0  (time: N sec)\n\n"))
        << file;
  }
}

}  // namespace
