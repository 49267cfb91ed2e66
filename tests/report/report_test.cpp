// report_test.cpp: the best-results report and the history file on records
// built by hand.
#include "report/report.hpp"

#include <gtest/gtest.h>

#include "config/cmdline.hpp"
#include "test_support.hpp"

namespace {

struct Reports {
  Settings set;
  DataPortion dp;
  RecordList records;
  MemFile console, out, history;
  ReportEnv env;

  Reports(Settings s, const std::vector<std::string>& seqs) : set(std::move(s)) {
    EXPECT_EQ(load_portion(set, seqs, dp) & ~EODATA, 0u);
    env.set = &set;
    env.dp = &dp;
    env.records = &records;
    env.console = console.f;
    env.out = out.f;
    env.history = history.f;
  }
  PermRecord& add(int p_index, int q_index, int serial, std::vector<int> perm, std::vector<int> words,
                  std::vector<int> sums, int quality, int avg, int power) {
    return add_result_record(records, p_index, q_index, serial, perm, words, sums, quality, avg, power);
  }
};

TEST(Report, PlacesTitlesAndWordLines) {
  Settings s = make_settings(4);
  s.diag_level = 2;
  Reports r(std::move(s), {"acgtacgt", "ttacgtaa", "gggggggg"});
  const int mw = r.dp.mw;
  r.add(0, -1, 0, {0, 1, 2}, {0, 2, mw}, {4, 4, 0}, 900, 400, 2);
  r.add(0, 0, 4, {1, 0, 2}, {4, 2, -1}, {4, 4, 0}, 800, 500, 2);
  r.env.serial = 39;
  ASSERT_EQ(report_best(r.env, 1), 0u);
  EXPECT_EQ(r.out.text(),
            "Best quality result #1 [0/40] (power: 2, quality: 9.00, avg proximity: 4.00)\n"
            "P0[0]: 1 2 3 \n"
            "  1:s1[0001] acgt (4,  4.00)\n"
            "  2:s2[0003] acgt (4,  4.00)\n"
            "  3:s3\n"
            "\n"
            "Best avg proximity result #1 [4/40] (power: 2, quality: 8.00, avg proximity: 5.00)\n"
            "Q0,0[4]: 2 1 3 \n"
            "  1:s1[0005] acgt (4,  4.00)\n"
            "  2:s2[0003] acgt (4,  4.00)\n"
            "\n");
  EXPECT_EQ(r.console.text(),
            "Best quality result #1 [0/40] (power: 2, quality: 9.00, avg proximity: 4.00)\n"
            "Best avg proximity result #1 [4/40] (power: 2, quality: 8.00, avg proximity: 5.00)\n");
  // Both are out now: place 2 prints nothing.
  const std::size_t before = r.console.text().size();
  ASSERT_EQ(report_best(r.env, 2), 0u);
  EXPECT_EQ(r.console.text().size(), before);
}

TEST(Report, SingleResultAndDuplicateSignals) {
  Settings s = make_settings(4);
  s.diag_level = 1;
  Reports r(std::move(s), {"acgtacgt", "acgtacgt"});
  r.add(0, -1, 0, {0, 1}, {0, 0}, {4, 4}, 0, 0, 2);
  bool printed = false;
  ASSERT_EQ(report_best(r.env, 1, &printed), 0u);
  EXPECT_TRUE(printed);
  ASSERT_EQ(report_best(r.env, 2, &printed), 0u);
  EXPECT_FALSE(printed);
  EXPECT_EQ(r.console.text(), "Best quality result #1 [0/0] (power: 2, quality: 0.00, avg proximity: 0.00)\n");
  EXPECT_EQ(r.out.text(),  // no permutation line below level 2
            "Best quality result #1 [0/0] (power: 2, quality: 0.00, avg proximity: 0.00)\n"
            "  1:s1[0001] acgt (4,  4.00)\n  2:s2[0001] acgt (4,  4.00)\n\n");

  Reports d(make_settings(4), {"acgtacgt", "acgtacgt"});
  d.add(0, -1, 0, {0, 1}, {1, 1}, {3, 3}, 600, 300, 2);
  d.add(1, -1, 1, {1, 0}, {1, 1}, {3, 3}, 600, 300, 2);  // the same signal again
  d.add(2, -1, 2, {1, 0}, {2, 2}, {2, 2}, 400, 200, 2);
  ASSERT_EQ(report_best(d.env, 1), 0u);
  ASSERT_EQ(report_best(d.env, 2), 0u);
  EXPECT_EQ(d.console.text(),
            "Best quality result #1 [0/0] (power: 2, quality: 6.00, avg proximity: 3.00)\n"
            "Best quality result #2 [2/0] (power: 2, quality: 4.00, avg proximity: 2.00)\n");

  Reports none(make_settings(4), {"acgtacgt", "acgtacgt"});
  EXPECT_EQ(report_best(none.env, 1), ERINT);
  EXPECT_EQ(none.out.text(), "");
}

TEST(Report, TwoWordLineAndHistoryFields) {
  Settings s = make_settings(8, 6);  // spacings 16..22, S = 7
  s.diag_level = 2;
  std::string seq;
  for (int i = 0; i < 60; ++i) seq += "acgt"[i % 4];
  Reports r(std::move(s), {seq, seq});
  // Word index 100: first word at 14, spacing 18, second word at 40.
  r.add(0, -1, 0, {0, 1}, {100, r.dp.mw}, {5, 0}, 500, 500, 1);
  ASSERT_EQ(write_history(r.env), 0u);
  ASSERT_EQ(report_best(r.env, 1), 0u);
  EXPECT_NE(r.out.text().find("  1:s1[0015;0041] gtacgtac-18-acgtac (5,  0.00)\n  2:s2\n"),
            std::string::npos);
  const std::string h = r.history.text();
  EXPECT_EQ(h.substr(0, h.find('\n') + 1),
            "\"#\"\t\"P\"\t\"Q\"\t\"Pwr\"\t\"New\"\t\"Qt\"\t\"QtAvg\"\t\"W1\"\t\"s1\"\t\"Qw1\"\t\"QwA1\""
            "\t\"W2\"\t\"s2\"\t\"Qw2\"\t\"QwA2\"\tp1\tp2\n");
  // The sequence without a word keeps its four columns, with an empty text.
  EXPECT_EQ(h.substr(h.find('\n') + 1),
            "0\t0\t-1\t1\t0\t5.00\t5.00\t15,41\t\"gtacgtac-18-acgtac\"\t5\t0.00\t" +
                std::to_string(r.dp.mw / 7 + 1) + "," + std::to_string(r.dp.mw / 7 + 8 + r.dp.mw % 7 + 16 + 1) +
                "\t\"\"\t0\t0.00\t1\t2\n");
}

}  // namespace
