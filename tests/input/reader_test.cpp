// reader_test.cpp: reading data portions.
#include "input/reader.hpp"

#include <gtest/gtest.h>

#include <string>

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
  std::string seq(int i) const { return dp.seq_of(i); }
};

TEST_F(Reader, NormalisesLettersAndDerivesSizes) {
  open("ACGU\nac-gt_a=c\n");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.n, 2);
  EXPECT_EQ(seq(0), "acgt");
  EXPECT_EQ(seq(1), "acgtac");
  EXPECT_EQ(dp.len[1], 6);
  EXPECT_EQ(dp.m, 6);
  EXPECT_EQ(dp.nn, 4);
  EXPECT_EQ(dp.logn, 2);
  EXPECT_EQ(dp.pair_count, 1);
  EXPECT_EQ(dp.mw, 3);
  EXPECT_EQ(dp.word_pos[0], 1);
  EXPECT_STREQ(dp.name_of(0), "");
  EXPECT_EQ(run, 0u);
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

TEST_F(Reader, PortionsSeparatedByEmptyLines) {
  open("\n\nacgt\r\nacgt\r\n\r\n\n\n>b\nacgtt\nacgta\nacgtc\n\nacgt\nacgg");
  EXPECT_EQ(next(), 0u);
  EXPECT_EQ(dp.n, 2);
  EXPECT_EQ(seq(1), "acgt");
  EXPECT_EQ(next(), 0u);
  EXPECT_EQ(dp.n, 3);
  EXPECT_EQ(dp.logn, 2);
  EXPECT_EQ(dp.nn, 4);
  EXPECT_EQ(dp.mw, 2);
  EXPECT_EQ(next(), EODATA);  // the last portion, without a trailing empty line
  EXPECT_EQ(dp.n, 2);
  EXPECT_EQ(seq(1), "acgg");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.n, 0);
}

TEST_F(Reader, BadLettersStayInTheText) {
  open("acgt\nacnt*\n");
  EXPECT_EQ(next(), ERDATA | EODATA);
  EXPECT_EQ(seq(1), "acnt*");
  set.acid = true;
  open("acdu\nwyvk\n");
  EXPECT_EQ(next(), ERDATA | EODATA);  // u is no amino acid
  EXPECT_EQ(seq(0), "acdu");
}

// A zero byte is a character like any other: no byte after it is lost, and
// the portion that holds one is bad.
TEST_F(Reader, ZeroBytesAreCharacters) {
  using namespace std::string_literals;
  const struct {
    std::string text;
    Status status;
    int n;
    int len0;
  } cases[] = {{"acgtac\0gg\nacgtac\n"s, ERDATA | EODATA, 2, 9},
               {"\0acgt\nacgtac\n"s, ERDATA | EODATA, 2, 5},  // not an empty line
               {">a\0b\nacgt\nacgt\n"s, ERDATA | EODATA, 2, 4},
               {"acgt\nacgt\n\0\nacgt\n"s, ERDATA | EODATA, 4, 4}};
  for (const auto& c : cases) {
    open(c.text);
    EXPECT_EQ(next(), c.status) << c.text.size();
    EXPECT_EQ(dp.n, c.n) << c.text.size();
    EXPECT_EQ(dp.len[0], c.len0) << c.text.size();
  }
}

TEST_F(Reader, OneSequenceIsUnusable) {
  open("acgtacgt\n\nacgt\nacgt\n");
  EXPECT_EQ(next(), ERDATA);
  EXPECT_EQ(dp.n, 1);
  EXPECT_EQ(dp.logn, 0);
  EXPECT_EQ(dp.nn, 1);
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.n, 2);
}

TEST_F(Reader, LineLimit) {
  const std::string ok(kMaxLine - 1, 'a');  // 4095 letters + line end = 4096 characters
  open(ok + "\n" + ok + "\n");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.m, kMaxLine - 1);

  const std::string longer(5000, 'c');
  open(longer + "\n" + ok + "\n");
  EXPECT_EQ(next(), ERDATA | EODATA);
  EXPECT_EQ(dp.n, 3);  // the rest of the long line is read as a further piece
  EXPECT_EQ(dp.len[0], kMaxLine + 1);
  EXPECT_EQ(dp.len[1], 5000 - kMaxLine - 1);
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

  text.clear();
  for (int i = 0; i < 256; ++i) text += "acgtacgt\n";
  open(text);
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.nn, 256);
  EXPECT_EQ(dp.logn, 8);
  EXPECT_EQ(dp.pair_count, 256 * 255 / 2);
}

TEST_F(Reader, TwoWordIndicesAndUnusableWordSizes) {
  set.l = 18;
  set.l2 = 6;
  set.S = 7;
  open(std::string(60, 'a') + "\n" + std::string(50, 'c') + "\n");
  EXPECT_EQ(next(), EODATA);
  EXPECT_EQ(dp.mw, (60 - 16 - 18 - 6 + 1) * 7);

  open("acg\nacg\n");  // shorter than the word: no word index at all
  set.l2 = 0;
  EXPECT_EQ(next(), ERDATA | EODATA);
  EXPECT_EQ(dp.mw, 3 - 18 + 1);
}

TEST_F(Reader, NoInputFileAndMemoryFailure) {
  EXPECT_EQ(read_portion(nullptr, set, dp, run), ERDATA | EODATA);
  EXPECT_EQ(dp.n, 0);

  open(">a\nacgtacgt\n>b\nacgtacgt\n>c\nacgtacgt\n");
  fail_allocations_after(1);  // the first name is stored, everything after fails
  const Status st = next();
  alloc_failures_off();
  EXPECT_EQ(run & ERMEM, ERMEM);
  EXPECT_EQ(st, EODATA);  // every sequence line was dropped: the input looks exhausted
  EXPECT_EQ(dp.n, 0);
}

}  // namespace
