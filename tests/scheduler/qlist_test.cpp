// qlist_test.cpp: Q-list generation and recurrent permutations.
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
  // Gives sequence s of task o the support `support` (in word 0).
  void support(int o, int s, int value) { rp.ts.scores(o, s)[0] = value; }
  std::vector<int> slot(int o, int k) {
    const std::int16_t* p = rp.ts.slot(o, k);
    if (p[0] == -1) return {};
    return std::vector<int>(p, p + dp.n);
  }
};

TEST(QList, TwoSequencesWithEqualSupport) {
  Chain c(2, 2, 1);
  c.support(1, 0, 5);
  c.support(1, 1, 5);
  EXPECT_EQ(generate_qlist(c.rp, 1, Aggregation::kSum, Coin{}), 1);
  EXPECT_EQ(c.slot(1, 0), (std::vector<int>{1, 0}));  // the base 0 1 is the P-permutation
  EXPECT_EQ(c.slot(1, 1), std::vector<int>{});        // the spare slot is free again
  EXPECT_EQ(c.rp.recurrent, 1);

  // Once 1 0 is a record too, nothing new can be made.
  auto rec = make_record(c.rp.ts.slot(1, 0), c.dp);
  c.rp.records.append(std::move(rec));
  c.rp.ts.slot(1, 0)[0] = -1;
  EXPECT_EQ(generate_qlist(c.rp, 1, Aggregation::kSum, Coin{}), 0);
  EXPECT_EQ(c.slot(1, 0), std::vector<int>{});
  EXPECT_EQ(c.rp.recurrent, 3);
}

TEST(QList, SupportsOrderTheBaseAndTiesMakeVariants) {
  Chain c(5, 3, 3);
  for (int s = 0; s < 5; ++s) c.support(2, s, 10 * s);  // all different
  EXPECT_EQ(generate_qlist(c.rp, 2, Aggregation::kSum, Coin{}), 1);
  EXPECT_EQ(c.slot(2, 0), (std::vector<int>{4, 3, 2, 1, 0}));
  EXPECT_EQ(c.slot(2, 1), std::vector<int>{});

  Chain t(5, 3, 3);
  t.support(1, 0, 3);
  t.support(1, 1, 7);
  t.support(1, 2, 3);
  t.support(1, 3, 7);
  t.support(1, 4, 3);
  // Sorted: 1 3 | 0 2 4 (equal supports keep ascending index with this coin).
  EXPECT_EQ(generate_qlist(t.rp, 1, Aggregation::kSum, Coin{}), 3);
  EXPECT_EQ(t.slot(1, 0), (std::vector<int>{1, 3, 0, 2, 4}));
  EXPECT_EQ(t.slot(1, 1), (std::vector<int>{3, 1, 0, 2, 4}));
  EXPECT_EQ(t.slot(1, 2), (std::vector<int>{1, 3, 2, 0, 4}));
  EXPECT_EQ(t.slot(1, 3), std::vector<int>{});  // V = 3: the spare slot is freed
}

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
