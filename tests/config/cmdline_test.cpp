// cmdline_test.cpp: the command-line parser, its files and derived settings.
#include "config/cmdline.hpp"
#include "config/options.hpp"

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
    for (std::FILE* f : {files.input, files.output.file, files.history.file})
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
    const bool beyond_matrix = set.leff > 255;  // said on standard error, the run goes on
    EXPECT_EQ(err.empty(), !beyond_matrix) << what << ": " << err;
    EXPECT_EQ(set.l, c.l) << what;
    if (c.l2 >= 0) { EXPECT_EQ(set.l2, c.l2) << what; }
    if (c.threshold != -1) { EXPECT_EQ(set.threshold, c.threshold) << what; }
    if (c.leff != -1) { EXPECT_EQ(set.leff, c.leff) << what; }
    if (!c.penalties.empty()) { EXPECT_EQ(penalties(), c.penalties) << what; }
  }
  EXPECT_FALSE(files.history.open());
}

TEST_F(Parse, InvalidOptionsStopTheScan) {
  for (const char* bad : {"-LL0", "-L", "-L65", "-D5", "-C3", "-V13", "-V0", "-T0", "-U0", "-I0",
                          "-R0", "-Q-1", "-BA-1", "-SMIN4097", "-X", "-X2", "-G3", "-J5", "-Z7",
                          "-E", "-O", "-@", "-", "-[", "-Mx", "-MM", "-S", "-SPAN",
                          "-M'acgt", "-SEED", "-SEED-1", "-SEED+3", "-SEEDx", "-SEED 3", "-BG2", "-BG-1"}) {
    reset();
    EXPECT_EQ(parse({bad, "-L3", "in.fa"}), ERARG | ERDATA) << bad;  // in.fa is never reached
    EXPECT_EQ(err, "Invalid argument \"" + std::string(bad) + "\"\n[T0]: Cannot open input data file \"\"\n");
    EXPECT_EQ(set.l, 18);
  }
}

TEST_F(Parse, OptionForms) {
  const struct {
    const char* arg;
    OptionField field;
    int value;
  } forms[] = {{"-C", field<&Settings::console_level>(), 0},
               {"-X10", field<&Settings::prox_mode>(), 1},
               {"-x0", field<&Settings::prox_mode>(), 0},
               {"-W5", field<&Settings::time_limit>(), 300},
               {"-GM", field<&Settings::aggregation>(), 2},
               {"-g2", field<&Settings::aggregation>(), 2},
               {"-JA", field<&Settings::new_words_mode>(), 1},
               {"-J0", field<&Settings::new_words_mode>(), 0},
               {"-zs", field<&Settings::secondary_mode>(), 2},
               {"-Z0", field<&Settings::secondary_mode>(), 0},
               {"-BX4", field<&Settings::bx>(), 4},
               {"-MB-2", field<&Settings::a_bonus>(), -2},
               {"-MP7", field<&Settings::a_penalty>(), 7},
               {"-Y-3", field<&Settings::mincover>(), -3},
               {"-V12", field<&Settings::new_q>(), 12},
               {"-P20", field<&Settings::pairs>(), 20},
               {"/acid", field<&Settings::acid>(), 1},
               {"-acidx", field<&Settings::acid>(), 1},  // -ACID needs all four letters...
               {"-acidx", field<&Settings::append>(), 0},
               {"-ACI", field<&Settings::acid>(), 0},   // ...else it is -A
               {"-ACI", field<&Settings::append>(), 1},
               {"-bg1", field<&Settings::background>(), 1},
               {"-BG0", field<&Settings::background>(), 0},
               {"-h", {}, 0}};
  for (const auto& f : forms) {
    reset();
    const Status st = parse({f.arg, "in.fa"});
    if (f.field.load == nullptr) {  // help
      EXPECT_EQ(st, HELP);
      continue;
    }
    ASSERT_EQ(st, 0u) << f.arg;
    EXPECT_EQ(f.field.load(set), f.value) << f.arg;
  }
  for (const auto& [arg, seed] : {std::pair{"-SEED0", 0}, {"-seed42", 42}, {"-SEED99999999999", 2147483647}}) {
    reset();
    EXPECT_EQ(set.seed, -1);
    ASSERT_EQ(parse({arg, "in.fa"}), 0u) << arg;
    EXPECT_EQ(set.seed, seed) << arg;
  }
  reset();
  EXPECT_EQ(parse({"-L5", "-F", "-L7", "-F", "in.fa"}), 0u);  // the later value wins
  EXPECT_EQ(set.l, 7);
  EXPECT_TRUE(files.history.open());
}

// Every row of the table is selected by its own name in any case and by the
// dash or the slash, and the longest name wins: a shorter row that the name
// starts with (A for ACID, L for LL, M for MB) never takes it.
TEST(OptionTable, EveryRowIsSelectedByItsName) {
  for (const OptionRow& row : option_rows()) {
    std::string name = row.name;
    const std::string tail = row.kind == OptionKind::kMotif ? "'acgt'" : "1";
    for (std::string arg : {"-" + name + tail, "/" + name + tail}) {
      EXPECT_EQ(find_option(arg.c_str()), &row) << arg;
      EXPECT_EQ(find_option(lower(arg).c_str()), &row) << arg;
    }
    for (const OptionRow& other : option_rows())
      if (&other != &row) {
        EXPECT_STRNE(other.name, row.name);
      }
  }
}

// Values that only the settings derived after the scan show to be wrong:
// ERARG, and one line on standard error that says why.
TEST_F(Parse, BadMotifsAndSpacingsAreErargWithAReason) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"-M'acgt'"}, "the motif of -M has 4 characters; the word has 18"},
      {{"-L4", "-M'acXt'"},  // upper-case X is no wildcard
       "the motif of -M holds 'X', neither a letter of the nucleotide alphabet nor a wildcard (.?x*)"},
      {{"-L4", "-M'acet'"},
       "the motif of -M holds 'e', neither a letter of the nucleotide alphabet nor a wildcard (.?x*)"},
      {{"-L4", "-LL2", "-MM'ac'", "-M'ac?t'", "-MM'a'"}, "the motif of -MM has 1 characters; the word has 2"},
      {{"-SMIN10", "-SMAX12", "-SPEN1,2"}, "the spacings 10 to 12 need 3 penalties and -SPEN gives 2"},
      {{"-SMIN0", "-SMAX40", "-SPEN" + std::string(39, '1') + std::string(40, ',')},
       "the spacings 0 to 40 need 41 penalties and -SPEN gives 1 (-SPEN keeps at most 79 characters)"},
      {{"-SMIN10", "-SMAX12", "-SPEN1,x,3"}, "penalty 2 of -SPEN is not a number"},
      {{"-SMIN13", "-SMAX12"}, "-SMIN13 is greater than -SMAX12"},
      {{"-ACID", "-RC"}, "-RC reads the two strands of DNA; amino-acid sequences (-ACID) have one"}};
  for (auto [args, why] : cases) {
    reset();
    args.push_back("in.fa");
    EXPECT_EQ(parse(args), ERARG) << args[0] << " " << args[1];
    EXPECT_EQ(err, "korvax: " + std::string(why) + "\n");
    reset();
    EXPECT_EQ(parse(args, 1), ERARG);  // a secondary task says nothing
    EXPECT_EQ(err, "");
  }
}

TEST_F(Parse, AppendModeFollowsTheOrderOfTheArguments) {
  dir.write("named.out", "old\n");
  dir.write("in.fa.out", "old\n");
  dir.write("in.fa.csv", "old\n");
  EXPECT_EQ(parse({"in.fa", "named.out", "-A"}), 0u);
  std::fputs("new\n", files.output.file);
  EXPECT_EQ(files.output.close(), 0u);
  EXPECT_EQ(read_file("named.out"), "new\n");  // opened before -A: rewritten

  reset();
  EXPECT_EQ(parse({"in.fa", "-F", "-A"}), 0u);
  std::fputs("new\n", files.output.file);
  std::fputs("new\n", files.history.file);
  EXPECT_EQ(files.output.close(), 0u);
  EXPECT_EQ(files.history.close(), 0u);
  EXPECT_EQ(read_file("in.fa.out"), "old\nnew\n");
  EXPECT_EQ(read_file("in.fa.csv"), "old\nnew\n");
}

// Names that cannot be read or written, each with its status and its lines on
// standard error. An argument that starts with '/' is an option even when it
// names a file, and "--help" is no option: each gets a hint.
TEST_F(Parse, BadFileNamesAndMisreadArguments) {
  for (const char* d : {"adir", "in.fa.out.d", "in2.fa.out", "in.fa.csv"}) std::filesystem::create_directory(d);
  dir.write("in2.fa", "a\n");
  const std::string no_input = "[T0]: Cannot open input data file \"\"\n";
  const struct {
    std::vector<std::string> args;
    Status status;
    std::string err;
  } cases[] = {
      {{"-L5"}, ERARG | ERDATA, no_input},
      {{"in.fa", "a.out", "b.out"}, ERARG, "Invalid argument \"b.out\"\n"},
      {{"in.fa", "adir"}, ERARG | ERIO, "Invalid argument \"adir\"\n"},  // the default name then opens
      {{"in2.fa"}, ERARG | ERIO, "[T0]: Cannot open output file \"in2.fa.out\"\n"},
      {{"-F", "in.fa"}, ERARG | ERIO, "Cannot open history file \"in.fa.csv\"\n"},
      {{"--help"}, ERARG | ERDATA,
       "korvax: korvax 3.17; its help is -H, run under MPI's launcher (mpiexec -n 2 korvax -H)\n"
       "Invalid argument \"--help\"\n" + no_input},
  };
  for (const auto& c : cases) {
    reset();
    EXPECT_EQ(parse(c.args), c.status) << c.args.back();
    EXPECT_EQ(err, c.err);
    if (c.args.back() == "adir") {
      EXPECT_TRUE(files.output.open());
      EXPECT_STREQ(files.output_name, "in.fa.out");
    }
  }
  reset();
  const std::string path = std::filesystem::absolute("in.fa").string();
  EXPECT_EQ(parse({path}), ERARG | ERDATA);
  EXPECT_NE(err.find("korvax: \"" + path + "\" is read as an option"), std::string::npos) << err;
}

}  // namespace
