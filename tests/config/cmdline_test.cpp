// cmdline_test.cpp: the command-line parser, its files and derived settings.
#include "config/cmdline.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

// Runs the parse on a command line inside a fresh directory holding in.fa
// (file names starting with '/' would be options, so the tests work there).
struct Parse : ::testing::Test {
  TempDir dir;
  std::string old_cwd;
  Settings set;
  RunFiles files;
  std::string out, err;

  void SetUp() override {
    old_cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    dir.write("in.fa", ">a\nacgt\n>b\nacgt\n");
  }
  void TearDown() override {
    reset();
    std::filesystem::current_path(old_cwd);
  }
  // Closes the files of the last parse and restores the defaults.
  void reset() {
    for (std::FILE* f : {files.input, files.output, files.history})
      if (f) std::fclose(f);
    files = {};
    set = {};
  }
  Status parse(std::vector<std::string> args, int task = 0) {
    args.insert(args.begin(), "korvax");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const Status st = parse_command_line(static_cast<int>(argv.size()), argv.data(), task, set, files);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return st;
  }
  std::vector<int> penalties() const {
    return std::vector<int>(set.penalty.data(), set.penalty.data() + set.S);
  }
};

TEST(ReadNumber, ReadsLikeTheCommandLineDoes) {
  const std::pair<const char*, int> cases[] = {{"12", 12},   {"  -7x", -7}, {"+3", 3}, {"", 0},
                                               {"abc", 0},   {"99999999999999", 2147483647},
                                               {"-99999999999999", -2147483647 - 1}};
  for (const auto& [text, value] : cases) EXPECT_EQ(read_number(text), value) << text;
}

// Word lengths, spacing penalties (as many as spacings, read up to any
// separator), thresholds and effective lengths. A negative a-bonus is a
// bonus like any other; an effective length beyond int is held at its end.
// (-1: not checked.)
TEST_F(Parse, DerivedSettings) {
  const int kMin = -2147483647 - 1;
  const struct {
    std::vector<std::string> args;
    int l, l2, threshold, leff;
    std::vector<int> penalties;
  } cases[] = {
      {{}, 18, 0, 9, -1, {8, 0, 0, 2, 4, 6, 8}},
      {{"-l20", "/ll8", "-smin10", "-SMAX12", "-spen1,2,3"}, 20, 8, 14, -1, {1, 2, 3}},  // any case
      {{"-SMIN10", "-SMAX12", "-SPEN'1;2;3,4'"}, 18, -1, -1, -1, {1, 2, 3}},
      {{"-L4", "-M'aC?t'"}, 4, 0, 3, 7, {}},
      {{"-ACID", "-L3", "-M'wY*'"}, 3, 0, 2, 5, {}},
      {{"-L4", "-M'acgt'", "-MB-2"}, 4, 0, -2, -4, {}},
      {{"-L4", "-M'acgt'", "-MB2147483647"}, 4, 0, 1073741823, 2147483647, {}},
      {{"-L4", "-M'acgt'", "-MB-2147483648"}, 4, 0, -1073741824, kMin, {}},
  };
  for (auto c : cases) {
    reset();
    const std::string what = c.args.empty() ? "defaults" : c.args.back();
    c.args.push_back("in.fa");
    ASSERT_EQ(parse(c.args), 0u) << what;
    EXPECT_EQ(err, "") << what;
    EXPECT_EQ(set.l, c.l) << what;
    if (c.l2 >= 0) { EXPECT_EQ(set.l2, c.l2) << what; }
    if (c.threshold != -1) { EXPECT_EQ(set.threshold, c.threshold) << what; }
    if (c.leff != -1) { EXPECT_EQ(set.leff, c.leff) << what; }
    if (!c.penalties.empty()) { EXPECT_EQ(penalties(), c.penalties) << what; }
  }
  EXPECT_STREQ(set.motif, "acgt");
  EXPECT_STREQ(files.output_name, "in.fa.out");
  EXPECT_TRUE(std::filesystem::exists("in.fa.out"));
  EXPECT_EQ(files.history, nullptr);
}

TEST_F(Parse, InvalidOptionsStopTheScan) {
  for (const char* bad : {"-LL0", "-L", "-L65", "-D5", "-C3", "-V13", "-V0", "-T0", "-U0", "-I0",
                          "-R0", "-Q-1", "-BA-1", "-SMIN4097", "-X", "-X2", "-G3", "-J5", "-Z7",
                          "-E", "-K", "-O", "-@", "-", "-[", "-Mx", "-MM", "-S", "-SPAN",
                          "-M'acgt", "-BG2", "-BG-1"}) {
    reset();
    EXPECT_EQ(parse({bad, "-L3", "in.fa"}), ERARG | ERDATA) << bad;  // in.fa is never reached
    EXPECT_EQ(err, "Invalid argument \"" + std::string(bad) + "\"\n[T0]: Cannot open input data file \"\"\n");
    EXPECT_EQ(set.l, 18);
  }
}

TEST_F(Parse, OptionForms) {
  const struct {
    const char* arg;
    int Settings::*field;
    int value;
  } forms[] = {{"-C", &Settings::console_level, 0},  {"-X10", &Settings::prox_mode, 1},
               {"-x0", &Settings::prox_mode, 0},      {"-W5", &Settings::time_limit, 300},
               {"-GM", &Settings::aggregation, 2},    {"-g2", &Settings::aggregation, 2},
               {"-JA", &Settings::new_words_mode, 1}, {"-J0", &Settings::new_words_mode, 0},
               {"-zs", &Settings::secondary_mode, 2}, {"-Z0", &Settings::secondary_mode, 0},
               {"-BX4", &Settings::bx, 4},            {"-MB-2", &Settings::a_bonus, -2},
               {"-MP7", &Settings::a_penalty, 7},     {"-Y-3", &Settings::mincover, -3},
               {"-V12", &Settings::new_q, 12},        {"-P20", &Settings::pairs, 20},
               {"-bg1", &Settings::background, 1},    {"-BG0", &Settings::background, 0}};
  for (const auto& f : forms) {
    reset();
    ASSERT_EQ(parse({f.arg, "in.fa"}), 0u) << f.arg;
    EXPECT_EQ(set.*f.field, f.value) << f.arg;
  }
  reset();
  EXPECT_EQ(parse({"-L5", "-F", "-L7", "-F", "in.fa"}), 0u);  // the later value wins
  EXPECT_EQ(set.l, 7);
  EXPECT_NE(files.history, nullptr);
}

TEST_F(Parse, AcidNeedsAllFourLetters) {
  EXPECT_EQ(parse({"-acidx", "in.fa"}), 0u);
  EXPECT_TRUE(set.acid);
  EXPECT_FALSE(set.append);
  reset();
  EXPECT_EQ(parse({"-ACI", "in.fa"}), 0u);
  EXPECT_FALSE(set.acid);
  EXPECT_TRUE(set.append);
}

// Values that only the settings derived after the scan show to be wrong: ERARG, no message.
TEST_F(Parse, BadMotifsAndSpacingsAreErargWithoutMessage) {
  const std::vector<std::string> cases[] = {
      {"-M'acgt'"},                                  // wrong length for l = 18
      {"-L4", "-M'acXt'"},                           // upper-case X is no wildcard
      {"-L4", "-M'acet'"},                           // e is no nucleotide
      {"-L4", "-LL2", "-MM'ac'", "-M'ac?t'", "-MM'a'"},
      {"-SMIN10", "-SMAX12", "-SPEN1,2"},            // too few penalties
      {"-SMIN10", "-SMAX12", "-SPEN1,x,3"},          // not a number
      {"-SMIN13", "-SMAX12"}};
  for (auto args : cases) {
    reset();
    args.push_back("in.fa");
    EXPECT_EQ(parse(args), ERARG) << args[0] << " " << args[1];
    EXPECT_EQ(err, "");
  }
}

TEST_F(Parse, AppendModeFollowsTheOrderOfTheArguments) {
  dir.write("named.out", "old\n");
  dir.write("in.fa.out", "old\n");
  dir.write("in.fa.csv", "old\n");
  EXPECT_EQ(parse({"in.fa", "named.out", "-A"}), 0u);
  std::fputs("new\n", files.output);
  std::fclose(files.output);
  files.output = nullptr;
  EXPECT_EQ(read_file("named.out"), "new\n");  // opened before -A: rewritten

  reset();
  EXPECT_EQ(parse({"in.fa", "-F", "-A"}), 0u);
  std::fputs("new\n", files.output);
  std::fputs("new\n", files.history);
  std::fclose(files.output);
  std::fclose(files.history);
  files.output = files.history = nullptr;
  EXPECT_EQ(read_file("in.fa.out"), "old\nnew\n");
  EXPECT_EQ(read_file("in.fa.csv"), "old\nnew\n");
}

TEST_F(Parse, NoInputNameAndAThirdFileName) {
  EXPECT_EQ(parse({"-L5"}), ERARG | ERDATA);
  EXPECT_EQ(err, "[T0]: Cannot open input data file \"\"\n");
  reset();
  EXPECT_EQ(parse({"in.fa", "a.out", "b.out"}), ERARG);
  EXPECT_EQ(err, "Invalid argument \"b.out\"\n");
}

TEST_F(Parse, UnwritableOutputFiles) {
  std::filesystem::create_directory("adir");
  EXPECT_EQ(parse({"in.fa", "adir"}), ERARG | ERIO);
  EXPECT_EQ(err, "Invalid argument \"adir\"\n");  // the default name then opens
  EXPECT_NE(files.output, nullptr);
  EXPECT_STREQ(files.output_name, "in.fa.out");

  reset();
  std::filesystem::create_directory("in.fa.out.d");
  std::filesystem::create_directory("in2.fa.out");
  dir.write("in2.fa", "a\n");
  EXPECT_EQ(parse({"in2.fa"}), ERARG | ERIO);
  EXPECT_EQ(err, "[T0]: Cannot open output file \"in2.fa.out\"\n");

  reset();
  std::filesystem::create_directory("in.fa.csv");
  EXPECT_EQ(parse({"-F", "in.fa"}), ERARG | ERIO);
  EXPECT_EQ(err, "Cannot open history file \"in.fa.csv\"\n");
}

}  // namespace
