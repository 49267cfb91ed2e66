// reader_test.cpp: reading data portions.
#include "input/reader.hpp"
#include "config/cmdline.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace {

struct Reader : ::testing::Test {
  TempDir dir;
  Settings set;
  DataPortion dp;
  std::FILE* in = nullptr;
  Status run = 0;

  void SetUp() override {
    set.l = 4;
    set.l2 = 0;
  }
  void TearDown() override {
    if (in) std::fclose(in);
  }
  void open(const std::string& text) {
    if (in) std::fclose(in);
    in = std::fopen(dir.write("in.fa", text).c_str(), "r");
  }
  Status next() { return read_portion(in, set, dp, run); }
  std::string seq(int i) const { return std::string(dp.seq_of(i), static_cast<std::size_t>(dp.len[ix(i)])); }
};

// A portion as read: its status and sizes, and its sequences where given.
struct Want {
  Status status;
  int n, m, nn, logn, mw;
  std::vector<std::string> seqs;
};

std::string many_lines(int n, const std::string& line) {
  std::string text;
  for (int i = 0; i < n; ++i) text += line + "\n";
  return text;
}

// Files read portion by portion to their end.
TEST_F(Reader, PortionsOfAFile) {
  using namespace std::string_literals;
  const std::string ok(kMaxLine - 1, 'a');  // 4095 letters + line end = 4096 characters
  const struct {
    const char* what;
    std::string text;
    bool acid;
    int l, l2;
    std::vector<Want> want;
  } files[] = {
      {"letters folded, gaps dropped", "ACGU\nac-gt_a=c\n", false, 4, 0, {{EODATA, 2, 6, 4, 2, 3, {"acgt", "acgtac"}}}},
      {"empty lines, CRLF, no last line end", "\n\nacgt\r\nacgt\r\n\r\n\n\n>b\nacgtt\nacgta\nacgtc\n\nacgt\nacgg", false, 4, 0,
       {{0, 2, 4, 4, 2, 1, {"acgt", "acgt"}},
        {0, 3, 5, 4, 2, 2, {"acgtt", "acgta", "acgtc"}},
        {EODATA, 2, 4, 4, 2, 1, {"acgt", "acgg"}},
        {EODATA, 0, 0, 0, 0, 0, {}}}},
      {"letters outside the alphabet stay", "acgt\nacnt*\n", false, 4, 0, {{ERDATA | EODATA, 2, 5, 4, 2, 2, {"acgt", "acnt*"}}}},
      {"u is no amino acid", "acdu\nwyvk\n", true, 4, 0, {{ERDATA | EODATA, 2, 4, 4, 2, 1, {"acdu", "wyvk"}}}},
      {"one sequence", "acgtacgt\n\nacgt\nacgt\n", false, 4, 0, {{ERDATA, 1, 8, 1, 0, 5, {}}, {EODATA, 2, 4, 4, 2, 1, {}}}},
      {"lines of 4096 characters", ok + "\n" + ok + "\n", false, 4, 0, {{EODATA, 2, 4095, 4, 2, 4092, {}}}},
      // The rest of a longer line is read as a further piece.
      {"a longer line", std::string(5000, 'c') + "\n" + ok + "\n", false, 4, 0, {{ERDATA | EODATA, 3, 4097, 4, 2, 4094, {}}}},
      {"word pairs", std::string(60, 'a') + "\n" + std::string(50, 'c') + "\n", false, 18, 6,
       {{EODATA, 2, 60, 4, 2, (60 - 16 - 18 - 6 + 1) * 7, {}}}},
      {"shorter than the word", "acg\nacg\n", false, 18, 0, {{ERDATA | EODATA, 2, 3, 4, 2, 3 - 18 + 1, {}}}},
      {"256 sequences", many_lines(256, "acgtacgt"), false, 4, 0, {{EODATA, 256, 8, 256, 8, 5, {}}}},
      // A zero byte is a character like any other: no byte after it is lost,
      // a line that starts with one is not empty, and the portion is bad.
      {"a zero byte", "acgtac\0gg\nacgtac\n"s, false, 4, 0, {{ERDATA | EODATA, 2, 9, 4, 2, 6, {"acgtac\0gg"s}}}},
      {"a zero byte first", "\0acgt\nacgtac\n"s, false, 4, 0, {{ERDATA | EODATA, 2, 6, 4, 2, 3, {"\0acgt"s}}}},
      {"a zero byte alone", "acgt\nacgt\n\0\nacgt\n"s, false, 4, 0, {{ERDATA | EODATA, 4, 4, 4, 2, 1, {}}}},
  };
  for (const auto& f : files) {
    set = Settings{};
    set.acid = f.acid;
    set.l = f.l;
    set.l2 = f.l2;
    open(f.text);
    for (const Want& w : f.want) {
      EXPECT_EQ(next(), w.status) << f.what;
      EXPECT_EQ((std::vector<int>{dp.n, dp.m, dp.nn, dp.logn, dp.mw}), (std::vector<int>{w.n, w.m, w.nn, w.logn, w.mw}))
          << f.what;
      for (std::size_t i = 0; i < w.seqs.size(); ++i) EXPECT_EQ(seq(static_cast<int>(i)), w.seqs[i]) << f.what;
    }
    EXPECT_EQ(run, 0u) << f.what;
  }
}

TEST_F(Reader, NameLinesAndNameWidth) {
  open(">first\n>seq1\nacgt\n seq2\nacgt\n#x\nacgt\n/a longer name\nacgtacgt\nacgt\n");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.n, 5);
  EXPECT_STREQ(dp.name_of(0), "seq1");  // the later name line replaces the earlier
  EXPECT_STREQ(dp.name_of(1), "seq2");
  EXPECT_STREQ(dp.name_of(2), "x");
  EXPECT_STREQ(dp.name_of(3), "a longer name");
  EXPECT_STREQ(dp.name_of(4), "");     // a sequence continued on a line is a new one
  EXPECT_EQ(dp.name_width, 13);
  for (const auto& [limit, width] : {std::pair{5, 5}, {-20000000, 13}}) {  // below 0: no cut
    set.name_width_limit = limit;
    std::rewind(in);
    EXPECT_EQ(next(), EODATA);
    EXPECT_EQ(dp.name_width, width);
  }
}

TEST_F(Reader, MoreThan256SequencesAreCountedNotStored) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += ">s" + std::to_string(i) + "\nacgtacgt\n";
  text += "\nacgt\nacgt\n";
  open(text);
  EXPECT_EQ(next(), ERDATA);
  EXPECT_EQ(dp.n, 50000);
  EXPECT_EQ(dp.pair_count, 1249975000);  // n(n-1) itself lies beyond int
  EXPECT_EQ(dp.stored(), 256);
  EXPECT_STREQ(dp.name_of(255), "s255");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.n, 2);
}

// Why a portion is refused, in the words the run prints on standard error,
// and the look of a wrapped FASTA file (sequence lines one after another in a
// portion with names).
TEST_F(Reader, WhyAPortionIsRefused) {
  using namespace std::string_literals;
  const struct {
    std::string text;
    int l, l2;
    const char* why;
    int wrapped;
  } cases[] = {
      {"acgt\nacnt*\n", 4, 0, "sequence 2 '': 'n' at position 3 is outside the nucleotide alphabet (-ACID reads amino acids)", 0},
      {">a\nac\1t\n>b\nacgt\n"s, 4, 0, "sequence 1 'a': byte 0x01 at position 3 is outside the nucleotide alphabet (-ACID reads amino acids)", 0},
      {">a\0b\nacgt\nacgt\n"s, 4, 0, "the name line of sequence 1 holds a zero byte", 1},
      {">x\n" + std::string(5000, 'c') + "\nacgt\n", 4, 0, "sequence 1 'x': a line of more than 4096 characters", 2},
      {"acgtacgt\n", 4, 0, "1 sequence; a data portion needs 2 to 256", 0},
      {many_lines(257, "acgt"), 4, 0, "257 sequences; a data portion holds at most 256 (korvax-prep --split writes several portions)", 0},
      {"acg\nacg\n", 18, 0, "the longest sequence (3 letters) is shorter than the word (-L18)", 0},
      {"acgtacgt\nacgt\n", 4, 6, "the longest sequence (8 letters) is shorter than the word pair (-L4, -LL6, at least 16 letters apart)", 0},
      {">a\nacgt\nacgt\nac\n>b\nacgt\nacgtac\n", 4, 0, "", 3},
      {">a\nacgt\n>b\nacgt\n", 4, 0, "", 0},
  };
  for (const auto& c : cases) {
    set.l = c.l;
    set.l2 = c.l2;
    ASSERT_EQ(derive_settings(set), 0u);
    open(c.text);
    (void)next();
    char why[512];
    describe_fault(dp, set, why, sizeof why);
    EXPECT_STREQ(why, c.why) << c.text.substr(0, 40);
    EXPECT_EQ(dp.wrapped_lines, c.wrapped) << c.text.substr(0, 40);
  }
}

}  // namespace
