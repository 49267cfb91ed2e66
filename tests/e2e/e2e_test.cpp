// e2e_test.cpp: start-up, arguments, data portions and shutdown of the real
// program under mpiexec.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.hpp"

namespace {

const std::string kBanner = "\nkorvax 3.17: common signal search in sets of sequences\n\n";
const std::string kThanks = "Thank you for using the program.\n\n";

// Sequences of length len made of a repeated pattern, named s1, s2, ...
std::string portion(int n, int len = 12) {
  static const char* letters = "acgt";
  std::string text;
  for (int i = 0; i < n; ++i) {
    text += ">s" + std::to_string(i + 1) + "\n";
    for (int k = 0; k < len; ++k) text += letters[(k * (i + 1) + i) % 4];
    text += "\n";
  }
  return text;
}

// Runs refused at the start: the console exactly, every message on standard
// error (tasks write in any order, so each is looked for and nothing else may
// be there), the exit code. Every task reads the input by itself, so only a
// regular file gives them all the same data: a FIFO (whose open would also
// wait for a writer), a directory and a device are refused.
TEST(Startup, RefusedRuns) {
  const std::string erarg = kBanner + "Global RC: ERARG  (time: N sec)\n\n" + kThanks;
  const auto not_regular = [](const std::string& name) {
    return std::vector<std::string>{"Invalid argument \"" + name + "\"\n",
                                    "[T0]: Cannot open input data file \"" + name + "\" (not a regular file)\n",
                                    "[T1]: Cannot open input data file \"" + name + "\" (not a regular file)\n"};
  };
  const struct {
    int tasks;
    std::string setup;
    std::vector<std::string> args, err;
    std::string out;
    int exit_code;
  } cases[] = {
      {1, "", {"x.fa"}, {}, "\nThe algorithm needs at least 2 tasks!\n\nGlobal RC: ERMPI  (time: N sec)\n\n" + kThanks,
       0x40},  // ERMPI does not fit an exit status: EDEBUG's bit, which nothing sets, stands for it
      {3, "", {"-L5", "missing.fa"},
       {"Invalid argument \"missing.fa\"\n", "[T0]: Cannot open input data file \"missing.fa\"\n",
        "[T1]: Cannot open input data file \"missing.fa\"\n", "[T2]: Cannot open input data file \"missing.fa\"\n"},
       erarg, 0x7},
      {2, "", {"-E3"}, {"Invalid argument \"-E3\"\n", "[T0]: Cannot open input data file \"\"\n",
                        "[T1]: Cannot open input data file \"\"\n"}, erarg, 0x3},
      {2, "mkdir adir", {"-L4", "adir"}, not_regular("adir"), erarg, 0x7},
      {2, "mkfifo afifo", {"-L4", "afifo"}, not_regular("afifo"), erarg, 0x7},
      {2, "ln -s /dev/null adev", {"-L4", "adev"}, not_regular("adev"), erarg, 0x7},
      // A file only one task cannot make ends the run for all.
      {3, "mkdir in.fa._2", {"in.fa"}, {"[T2]: Cannot open output file \"in.fa._2\"\n"}, erarg, 0x5},
  };
  for (const auto& c : cases) {
    Workdir wd;
    wd.write("in.fa", portion(3));
    const RunResult r = run_korvax_env(wd, c.tasks, c.args, c.setup.empty() ? "" : c.setup + " && ");
    const std::string what = c.args.back();
    EXPECT_EQ(mask_times(r.out), c.out) << what;
    std::size_t size = 0;
    for (const auto& line : c.err) {
      EXPECT_EQ(count_of(r.err, line), 1) << what << ": " << line;
      size += line.size();
    }
    EXPECT_EQ(r.err.size(), size) << what << ":\n" << r.err;
    EXPECT_EQ(r.exit_code, c.exit_code) << what;
  }
}

TEST(Startup, HelpEndsTheRunWithoutStatusLines) {
  Workdir wd;
  wd.write("in.fa", portion(3));
  for (const auto& args : {std::vector<std::string>{"-H"}, std::vector<std::string>{},
                           std::vector<std::string>{"-?", "in.fa"}}) {
    const RunResult r = run_korvax(wd, 2, args);
    expect_golden("help.txt", r.out);  // the banner, the help text, the thanks
    EXPECT_EQ(r.exit_code, 0x20);
  }
  EXPECT_EQ(wd.read("in.fa.out"), "");  // opened while scanning, nothing written
  EXPECT_FALSE(wd.exists("in.fa._1"));
}

TEST(Portions, SeveralPortionsWithBadOnesSkipped) {
  Workdir wd;
  const std::string long_line(5000, 'a');
  wd.write("in.fa", portion(3) + "\n" + ">only\nacgtacgtacgt\n\n" + portion(2) + "\n" + portion(257) +
                        "\n" + "acgtacgtacgt\n" + long_line + "\n\n" + "acgtnacgtacg\nacgtacgtacgt\n\n" +
                        portion(4));  // the last portion without an empty line after it
  const RunResult r = run_korvax(wd, 3, {"-L4", "-D1", "-ZS", "in.fa"});
  EXPECT_EQ(count_of(r.out, "Job accepted"), 7);
  EXPECT_EQ(count_of(r.out, "RC: OK  (time: N sec)\n\n"), 0);  // masked below
  const std::string out = mask_times(r.out);
  EXPECT_EQ(count_of(out, "RC: OK  (time: N sec)\n\n"), 3);  // per portion, ERDATA not shown
  EXPECT_TRUE(contains(out, "Global RC: ERDATA  (time: N sec)\n\n"));
  EXPECT_TRUE(contains(out, "Job accepted (n=257 m<=12 l=4 l2=0)\n"));
  EXPECT_EQ(r.exit_code, 0x2);
  for (const char* file : {"in.fa.out", "in.fa._1", "in.fa._2"}) {
    const std::string text = wd.read(file);
    const std::string tag = file[6] == 'o' ? "0" : std::string(1, file[7]);
    EXPECT_EQ(count_of(text, "[T" + tag + "] Data portion skipped due to errors\n"), 4) << file;
  }
  const std::string result = mask_times(wd.read("in.fa.out"));
  EXPECT_TRUE(contains(result, "RC: 0  (time: N sec)\n\n"));
  EXPECT_TRUE(contains(result, "Global RC: 2  (time: N sec)\n\n"));
}

TEST(Portions, ParametersLinesAndPerPortionLimits) {
  Workdir wd;
  wd.write("in.fa", portion(2) + "\n" + portion(10, 30) + "\n" + portion(30, 30));
  // -P10 meets n = 10 in the second portion: lowered to n - 1 there.
  const RunResult r = run_korvax(wd, 2, {"-L4", "-Y1000", "-P10", "-C0", "-U5", "in.fa", "res.txt"});
  // -C0: only the best-results titles and the per-portion RC lines.
  const std::string out = mask_times(r.out);
  EXPECT_EQ(count_of(out, "RC: OK  (time: N sec)\n\n"), 3);
  EXPECT_EQ(count_of(out, "Best quality result #1 ["), 3);
  for (const char* absent : {"Job accepted", "Global RC", "Signal from"}) EXPECT_FALSE(contains(out, absent)) << absent;
  const std::string text = wd.read("res.txt");
  for (const char* line :
       {"[Task0] Number of parallel tasks: 1+1\n",
        "\nn=2  logn=2  nn=4  m<=12  l=4  l2=0  mw<=9(+1)  threshold=2  pairs=1  mincover=6  aftermax=5\n\n\n",
        "\nn=10  logn=4  nn=16  m<=30  l=4  l2=0  mw<=27(+1)  threshold=2  pairs=9  mincover=630  "
        "aftermax=5\n",
        "\nn=30  logn=5  nn=32  m<=30  l=4  l2=0  mw<=27(+1)  threshold=2  pairs=10  mincover=1000  "
        "aftermax=5\n"})
    EXPECT_TRUE(contains(text, line)) << line;
}

// Every numeric option at the extremes of int, at 0 and at -1: a value is
// either refused as an invalid argument, or the run ends normally with
// defined results (no sanitizer report under the sanitizer build, no
// negative quality, a result file of sensible size).
TEST(Options, ExtremesOfEveryNumericOption) {
  Workdir wd;
  wd.write("in.fa", portion(4));
  const std::vector<std::string> pair = {"-LL2", "-SMIN0", "-SMAX0", "-SPEN1"};
  const std::string values[] = {"2147483647", "-2147483648", "0", "-1"};
  const struct {
    const char* option;
    std::vector<std::string> extra;
    const char* accepted;  // per value above: y accepted, . refused
  } rows[] = {
      {"-BA", {}, "y.y."},   {"-BC", {}, "y.y."},  {"-BX", {}, "y.y."},  {"-C", {}, "..y."},
      {"-D", {}, "..y."},    {"-G", {}, "...."},   {"-I", {}, "y..."},   {"-J", {}, "..y."},
      {"-L", {}, "...."},    {"-LL", {}, "...."},  {"-N", {}, "yyyy"},   {"-P", {}, "yyyy"},
      {"-Q", {}, "y.y."},    {"-R", {}, "y..."},   {"-T", {}, "y..."},   {"-U", {}, "y..."},
      {"-V", {}, "...."},    {"-W", {}, "y.y."},   {"-X", {}, "..y."},   {"-Y", {}, "yyyy"},
      {"-Z", {}, "..y."},    {"-SMIN", {"-LL2", "-SMAX0", "-SPEN1"}, "..y."},
      {"-SMAX", {"-LL2", "-SMIN0", "-SPEN1"}, "..y."},
      {"-SPEN", {"-LL2", "-SMIN0", "-SMAX0"}, "yyyy"},
      {"-MB", {"-M'aCgT'"}, "yyyy"}, {"-MB", {"-M'aCgT'", "-X0"}, "yyyy"},
      {"-MP", {"-M'aCgT'"}, "yyyy"}, {"-MP", {"-M'aCgT'", "-X0"}, "yyyy"},
  };
  for (const auto& row : rows)
    for (int v = 0; v < 4; ++v) {
      const std::string arg = row.option + values[v];
      std::vector<std::string> args = {"-L4", "-D2", "-C2", "-ZS", "in.fa"};
      args.insert(args.end(), row.extra.begin(), row.extra.end());
      args.push_back(arg);
      const RunResult r = run_korvax(wd, 2, args);
      const std::string what = arg + (row.extra.empty() ? "" : " with " + row.extra.back());
      if (row.accepted[v] == 'y') {
        EXPECT_EQ(r.exit_code, 0) << what;
        // A bonus that lifts a proximity beyond the matrix's 255 is said, and the run goes on.
        const bool beyond_matrix = std::string(row.option) == "-MB" && v == 0 && row.extra.size() == 1;
        EXPECT_EQ(r.err.rfind("korvax: a proximity may reach", 0) == 0, beyond_matrix) << what << r.err;
        if (!beyond_matrix) {
          EXPECT_EQ(r.err, "") << what;
        }
      } else {
        EXPECT_EQ(r.exit_code, 0x1) << what;
        EXPECT_EQ(r.err, "Invalid argument \"" + arg + "\"\n") << what;
      }
      EXPECT_FALSE(contains(r.out, "quality: -") || contains(r.out, "proximity: -")) << what;
      EXPECT_LT(wd.read("in.fa.out").size(), 1000000u) << what;
    }
}

}  // namespace
