// qlist_test.cpp: Q-lists by the maximum of the supports (no golden run uses
// -GM) and a candidate pending at another task.
#include "scheduler/qlist.hpp"

#include <gtest/gtest.h>

#include "scheduler/plist.hpp"
#include "test_support.hpp"

namespace {

struct Chain {
  Settings set = make_settings(2);
  DataPortion dp;
  RootPortion rp;
  Chain(int n, int tasks, int V) {
    EXPECT_EQ(load_portion(set, std::vector<std::string>(static_cast<std::size_t>(n), "aaaaaa"), dp) & ~EODATA, 0u);
    EXPECT_EQ(alloc_root_portion(rp, tasks, dp), 0u);
    rp.mincover = dp.logn;
    rp.V = V;
    EXPECT_EQ(build_plist(rp, dp, Coin{}), 0u);
  }
  std::vector<int> slot(int o, int k) {
    const std::int16_t* p = rp.ts.slot(o, k);
    if (p[0] == -1) return {};
    return std::vector<int>(p, p + dp.n);
  }
};

TEST(QList, MaximumAggregationAndCandidatesOfOtherTasks) {
  Chain c(5, 3, 1);
  const int scores[5][2] = {{9, 0}, {5, 5}, {1, 0}, {20, 0}, {0, 3}};  // sums 9 10 1 20 3
  for (int task : {1, 2})
    for (int s = 0; s < 5; ++s)
      for (int w = 0; w < 2; ++w) c.rp.ts.scores(task, s)[w] = scores[s][w];
  EXPECT_EQ(generate_qlist(c.rp, 1, Aggregation::kMax, Coin{}), 1);
  EXPECT_EQ(c.slot(1, 0), (std::vector<int>{3, 0, 1, 4, 2}));  // by maximum
  // Task 2's base equals task 1's pending candidate: rejected and counted.
  const int before = c.rp.recurrent;
  EXPECT_EQ(generate_qlist(c.rp, 2, Aggregation::kMax, Coin{}), 0);
  EXPECT_EQ(c.rp.recurrent, before + 1);
  EXPECT_EQ(generate_qlist(c.rp, 2, Aggregation::kSum, Coin{}), 1);
  EXPECT_EQ(c.slot(2, 0), (std::vector<int>{3, 1, 0, 4, 2}));  // by sum
}

}  // namespace
