// report_test.cpp: the best-results report on records built by hand, for
// what the golden runs do not show: a signal found twice, a result of
// quality 0, the report at -D1. (Both rankings, Q permutations and the end
// of the places are in the golden runs.)
#include "result_file/report_writer.hpp"

#include <gtest/gtest.h>

#include "config/cmdline.hpp"
#include "test_support.hpp"

namespace {

struct Reports {
  Settings set;
  DataPortion dp;
  RecordList records;
  MemFile console, out, history;
  Out out_file{out.f}, history_file{history.f};
  ReportEnv env;

  Reports(Settings s, const std::vector<std::string>& seqs) : set(std::move(s)) {
    EXPECT_EQ(load_portion(set, seqs, dp) & ~EODATA, 0u);
    env.set = &set;
    env.dp = &dp;
    env.records = &records;
    env.console = console.f;
    env.out = &out_file;
    env.history = &history_file;
  }
  PermRecord& add(int p_index, int q_index, int serial, std::vector<int> perm, std::vector<int> words,
                  std::vector<int> sums, int quality, int avg, int power) {
    return add_result_record(records, p_index, q_index, serial, perm, words, sums, quality, avg, power);
  }
};

// A signal found again by another permutation is reported once; a result of
// quality 0 after place 1 only when its avg proximity is not 0 too; below
// -D2 no permutation line.
TEST(Report, DuplicateSignalsAndLevelOne) {
  Settings s = make_settings(4);
  s.diag_level = 1;
  Reports d(std::move(s), {"acgtacgt", "acgtacgt"});
  d.add(0, -1, 0, {0, 1}, {1, 1}, {3, 3}, 600, 300, 2);
  d.add(1, -1, 1, {1, 0}, {1, 1}, {3, 3}, 600, 300, 2);  // the same signal again
  d.add(2, -1, 2, {1, 0}, {2, 2}, {2, 2}, 400, 200, 2);
  d.add(3, -1, 3, {0, 1}, {3, 3}, {1, 1}, 0, 100, 2);  // quality 0, but not avg proximity: still reported
  ASSERT_EQ(report_best(d.env, 1), 0u);
  bool printed = false;
  for (int k = 2; k <= 4; ++k) {
    ASSERT_EQ(report_best(d.env, k, &printed), 0u);
    EXPECT_EQ(printed, k < 4) << k;
  }
  EXPECT_EQ(d.console.text(),
            "Best quality result #1 [0/0] (power: 2, quality: 6.00, avg proximity: 3.00)\n"
            "Best quality result #2 [2/0] (power: 2, quality: 4.00, avg proximity: 2.00)\n"
            "Best quality result #3 [3/0] (power: 2, quality: 0.00, avg proximity: 1.00)\n");
  EXPECT_EQ(d.out.text().find("P0["), std::string::npos);
}

}  // namespace
