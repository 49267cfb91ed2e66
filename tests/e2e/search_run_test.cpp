// search_run_test.cpp: whole searches under mpiexec: dispatch lines, reports,
// history, the copy of the secondary files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace {

// Whole runs with the fixed coin and one secondary task (so that the order
// of messages cannot vary), every line of the console, the result file and
// the history as the straightforward search wrote them before the fast one
// took its place (the goldens were made with that build): two portions of
// one word, word pairs with spacing penalties with the matrix and on the fly,
// a motif with a bonus, one-letter words (threshold 0), the G-tree and
// matrix dumps of -D3, and every table of the search at -D4 (word pairs with
// both motifs on the fly, one Q-permutation per P-permutation, three places),
// and letters weighed by their information (-BG1, an AT-rich set made by
// korvax-planted: its parameters line shows the weights).
TEST(Search, GoldenRunsInEveryMode) {
  const struct {
    const char* name;
    std::vector<std::string> args;
  } cases[] = {
      {"small", {"-L6", "-C2", "-D2"}},
      {"pairs", {"-L4", "-LL3", "-SMIN2", "-SMAX5", "-SPEN1,0,2,3", "-U30", "-D2"}},
      {"pairs_fly", {"-L4", "-LL3", "-SMIN2", "-SMAX5", "-X0", "-U10", "-D2"}},
      {"motif", {"-L6", "-M'aC?gtA'", "-MB2", "-U40", "-D2"}},
      {"short", {"-L1", "-U20", "-D2"}},
      {"dumps", {"-L6", "-D3", "-U8"}},
      {"pairs_d4", {"-L4", "-LL3", "-SMIN1", "-SMAX3", "-SPEN0,1,2", "-M'aCgt'", "-MM'cAg'", "-X0", "-T3", "-Q1",
                    "-R3", "-C2", "-D4"}},
      {"background", {"-L8", "-BG1", "-U40", "-D2"}},  // made by the fast search, as the differential test holds it
  };
  for (const auto& c : cases) {
    Workdir wd;
    const std::string dir = std::string(c.name) + "/";
    wd.write("in.fa", read_source("tests/e2e/golden/" + dir + "input.fa"));
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-F", "in.fa"});
    const RunResult r = run_korvax(wd, 2, args);
    EXPECT_EQ(r.exit_code, 0) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
    expect_golden(dir + "console.txt", mask_times(r.out));
    expect_golden(dir + "result.txt", mask_program(mask_times(wd.read("in.fa.out"))));
    expect_golden(dir + "history.csv", wd.read("in.fa.csv"));
    EXPECT_FALSE(wd.exists("in.fa._1")) << c.name;
  }
}

// -SEED: the plain build (whose coin is not fixed) repeats a run byte for
// byte apart from time stamps (console, result file with the copied
// secondary files, history); another seed makes another run.
TEST(Search, SameSeedSameRun) {
  const auto run = [](const std::string& seed) {
    Workdir wd;
    wd.write("crp0.seq", read_source("examples/crp0.seq"));
    const RunResult r =
        run_korvax(wd, 3, {"-L22", "-U100", "-F", "-D2", "-C2", "-SEED" + seed, "crp0.seq"}, false);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return std::vector<std::string>{mask_times(r.out), mask_program(mask_times(wd.read("crp0.seq.out"))),
                                    wd.read("crp0.seq.csv")};
  };
  const std::vector<std::string> first = run("1");
  EXPECT_TRUE(contains(first[1], "Signal received from task [T2]")) << "both secondary tasks searched";
  EXPECT_EQ(run("1"), first);
  EXPECT_NE(run("2")[2], first[2]);
}

TEST(Search, MoreTasksThanPermutations) {
  Workdir wd;
  wd.write("in.fa", ">a\nacgtacgtgg\n>b\nttacgtacgt\n");
  const RunResult r = run_korvax(wd, 5, {"-L6", "-C2", "-ZS", "in.fa"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(contains(r.out, "P-list consists of 1 permutations\n"));
  EXPECT_EQ(count_of(r.out, "Send to task [T1]"), 2);  // P0, then Q0,0: 2 1
  EXPECT_FALSE(contains(r.out, "Send to task [T2]"));
  for (int t = 2; t <= 4; ++t) {
    const std::string text = mask_times(wd.read("in.fa._" + std::to_string(t)));
    const std::string tag = "[T" + std::to_string(t) + "] ";
    EXPECT_TRUE(contains(text, tag + "Proximity matrix built: [triangle 1*2/2][5*5]\n" + tag +
                                   "N s) Forced task termination (RC=0)\n"));
  }
}

// The largest portion: permutations of 256 entries, results of 516 integers.
TEST(Search, TwoHundredFiftySixSequences) {
  Workdir wd;
  std::string text;
  for (int i = 0; i < 256; ++i) text += std::string("acgtac").substr(static_cast<std::size_t>(i % 3), 3) + "gatc\n";
  wd.write("in.fa", text);
  const RunResult r = run_korvax(wd, 3, {"-L4", "-U2", "-C2", "in.fa"});
  EXPECT_EQ(r.exit_code, 0);
  for (const char* line : {"Job accepted (n=256 m<=7 l=4 l2=0)\n", "Send to task [T2] permutation P1(1): ",
                           "Terminated due to iteration limit\n", "Best quality result #1 ["})
    EXPECT_TRUE(contains(r.out, line)) << line;
  // Every sequence holds gatc at its end.
  const std::size_t title = r.out.find("Best quality result #1 [");
  ASSERT_NE(title, std::string::npos);
  EXPECT_EQ(r.out.compare(r.out.find("] ", title), 14, "] (power: 256,"), 0);
}

// The secondary files: copied into the result file in task order and
// removed at -D2 (-Z1, the default); removed uncopied at -D1 and with -ZR;
// kept, and not copied, with -ZS.
TEST(Shutdown, SecondaryFilesCopiedInTaskOrder) {
  Workdir wd;
  wd.write("in.fa", golden_input());
  const std::string sep = "\n" + std::string(79, '=') + "\n";
  const struct {
    std::vector<std::string> args;
    bool copied, kept;
  } cases[] = {{{"-D2"}, true, false}, {{"-D1"}, false, false}, {{"-ZR", "-D2"}, false, false},
               {{"-ZS", "-D2"}, false, true}};
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-L6", "in.fa", "res.txt"});
    const RunResult r = run_korvax(wd, 4, args);
    EXPECT_EQ(r.exit_code, 0) << args[0];
    const std::string text = mask_times(wd.read("res.txt"));
    std::size_t at = 0;
    for (int t = 1; t <= 3; ++t) {
      const std::string tag = "[Task" + std::to_string(t) + "] Number of parallel tasks: 1+3\n";
      at = text.find(sep + tag, at);
      EXPECT_EQ(at != std::string::npos, c.copied) << args[0] << " task " << t;
      EXPECT_EQ(wd.exists("res.txt._" + std::to_string(t)), c.kept) << args[0] << " task " << t;
    }
    EXPECT_EQ(count_of(text, sep), c.copied ? 3 : 0) << args[0];
    const std::string tail = "Forced task termination (RC=0)\n\nGlobal RC: 0  (time: N sec)\n\n";
    if (c.copied) { EXPECT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0); }
    if (c.kept) { EXPECT_TRUE(contains(mask_times(wd.read("res.txt._3")), "] N s) Forced task termination (RC=0)\n")); }
  }
}

TEST(Shutdown, AppendedFilesAndLinesLongerThanTheTransferBuffer) {
  Workdir wd;
  wd.write("in.fa", golden_input());
  const std::string huge(1500000, 'x');
  wd.write("in.fa._1", "earlier run\n" + huge + "\nend of earlier run\n");
  const RunResult r = run_korvax(wd, 2, {"-L6", "-D2", "-A", "in.fa"});
  EXPECT_EQ(r.exit_code, 0);
  const std::string text = wd.read("in.fa.out");
  EXPECT_TRUE(contains(text, std::string(79, '=') + "\nearlier run\n" + huge + "\nend of earlier run\n[Task1]"));
}

}  // namespace
