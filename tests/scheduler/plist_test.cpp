// plist_test.cpp: the P-list, stored results, word accounting and ranking.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "messages.hpp"
#include "scheduler/plist.hpp"
#include "scheduler/ranking.hpp"
#include "scheduler/result_store.hpp"
#include "test_support.hpp"

namespace {

// A root portion for n sequences of the given length (word length 2).
struct Root {
  Settings set = make_settings(2);
  DataPortion dp;
  RootPortion rp;
  Root(int n, int tasks, int len = 6) {
    EXPECT_EQ(load_portion(set, std::vector<std::string>(static_cast<std::size_t>(n), std::string(static_cast<std::size_t>(len), 'a')), dp) & ~EODATA, 0u);
    EXPECT_EQ(alloc_root_portion(rp, tasks, dp), 0u);
    rp.mincover = dp.logn;
  }
  std::vector<std::vector<int>> plist() const {
    std::vector<std::vector<int>> out;
    for (const PermRecord* r = rp.records.first.get(); r; r = r->chain_next)
      out.emplace_back(r->perm.data(), r->perm.data() + r->n);
    return out;
  }
};

TEST(PList, SmallPortions) {
  Root two(2, 2);
  ASSERT_EQ(build_plist(two.rp, two.dp, Coin{}), 0u);
  EXPECT_EQ(two.plist(), (std::vector<std::vector<int>>{{0, 1}}));
  EXPECT_EQ(two.rp.pairs[0], 3);

  Root three(3, 2);
  ASSERT_EQ(build_plist(three.rp, three.dp, Coin{}), 0u);
  EXPECT_EQ(three.plist(), (std::vector<std::vector<int>>{{0, 1, 2}, {1, 2, 0}}));
  EXPECT_EQ(three.rp.pairs[ix(pair_index(3, 0, 1))], 6);
  EXPECT_EQ(three.rp.pairs[ix(pair_index(3, 0, 2))], 2);
  EXPECT_EQ(three.rp.pairs[ix(pair_index(3, 1, 2))], 3);
  EXPECT_EQ(three.rp.records.plist_size(), 2);

  Root none(9, 2);
  none.rp.mincover = 0;
  ASSERT_EQ(build_plist(none.rp, none.dp, Coin{}), 0u);
  EXPECT_EQ(none.plist().size(), 1u);
}

// Every P-list: distinct permutations, consecutive P indices, and every pair
// of sequences covered (by the G-tree's comparisons) at least mincover times.
TEST(PList, CoversEveryPairOfSequences) {
  const Coin clock_coin{coin_build_flip};
  const Coin odd{[]() noexcept { return 1; }};
  for (int n : {2, 3, 5, 8, 13, 33, 100, 256}) {
    for (const Coin& coin : {clock_coin, odd}) {
      Root r(n, 3);
      r.rp.mincover = n > 100 ? r.dp.logn : 2 * r.dp.logn;
      ASSERT_EQ(build_plist(r.rp, r.dp, coin), 0u);
      const auto perms = r.plist();
      std::set<std::vector<int>> distinct(perms.begin(), perms.end());
      EXPECT_EQ(distinct.size(), perms.size());
      int index = 0;
      for (const PermRecord* p = r.rp.records.first.get(); p; p = p->chain_next, ++index) {
        EXPECT_EQ(p->p_index, index);
        std::vector<int> sorted(p->perm.data(), p->perm.data() + n);
        std::sort(sorted.begin(), sorted.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(sorted[static_cast<std::size_t>(i)], i);
      }
      // The counters only ever grow: each one has reached mincover.
      for (int k = 0; k < n * (n - 1) / 2; ++k) EXPECT_GE(r.rp.pairs[static_cast<std::size_t>(k)], r.rp.mincover);
    }
  }
}

// V for a portion: below 5 sequences at most the (n-1)! n / 2 orders there are.
TEST(PortionV, TheAdjustedLimit) {
  const int rows[][3] = {{2, 3, 1}, {3, 5, 3}, {4, 5, 12}, {4, 4, 4}, {5, 5, 5}};  // n, V given, V
  for (const auto& r : rows) EXPECT_EQ(portion_new_q(r[0], r[1]), r[2]) << r[0] << " " << r[1];
  EXPECT_EQ(factorial(13), -1);  // beyond int
}

// A result message for n sequences.
std::vector<std::int32_t> result(const std::vector<int>& words, const std::vector<int>& sums,
                                 int quality, int power, int avg) {
  std::vector<std::int32_t> msg(words.begin(), words.end());
  msg.insert(msg.end(), sums.begin(), sums.end());
  msg.insert(msg.end(), {quality, power, avg, 0});
  return msg;
}

// A record of 4 sequences sent to task 1 (q_index -1: a P record).
PermRecord record_of(int q_index) {
  PermRecord r;
  r.n = 4;
  r.task = 1;
  r.q_index = q_index;
  return r;
}

TEST(Results, StoreComputesPercentsAndImprovements) {
  Root r(4, 3);
  ASSERT_EQ(build_plist(r.rp, r.dp, Coin{}), 0u);
  PermRecord& p = *r.rp.records.first;
  p.task = 1;
  const int mw = r.dp.mw;
  ASSERT_EQ(store_result(p, result({0, 1, mw, 2}, {7, 5, 0, 6}, 900, 4, 300).data(), r.rp.ts), 0u);
  EXPECT_EQ(p.percents[0], 233);
  EXPECT_EQ(p.percents[1], 166);
  EXPECT_EQ(p.percents[2], 0);
  EXPECT_EQ(r.rp.ts.best_quality[1], 900);
  EXPECT_EQ(r.rp.ts.non_improving[1], 0);
  EXPECT_EQ(p.new_words, 3);
  EXPECT_EQ(r.rp.ts.scores(1, 0)[0], 7);

  // A Q record of the same task with one new word and an equal quality: no improvement.
  PermRecord q = record_of(0);
  ASSERT_EQ(store_result(q, result({0, 1, 3, 2}, {1, 1, 1, 1}, 900, 1, 0).data(), r.rp.ts), 0u);
  EXPECT_EQ(q.percents[0], 0);  // power 1: no percents
  EXPECT_EQ(q.new_words, 1);
  EXPECT_EQ(r.rp.ts.non_improving[1], 1);
  EXPECT_EQ(r.rp.ts.new_count[0], 3);  // P-list wide count is only for P results
  EXPECT_EQ(r.rp.ts.scores(1, 0)[0], 8);

  // The same words again: nothing new.
  PermRecord again = record_of(1);
  ASSERT_EQ(store_result(again, result({0, 1, 3, 2}, {1, 1, 1, 1}, 500, 1, 0).data(), r.rp.ts), 0u);
  EXPECT_EQ(again.new_words, 0);
}

// Records with a given quality, avg proximity and first word.
void add(RecordList& list, int quality, int avg, int word) {
  auto r = std::make_unique<PermRecord>();
  r->n = 2;
  ASSERT_EQ(table_alloc(r->words, 2), 0u);
  ASSERT_EQ(table_alloc(r->perm, 2), 0u);
  r->words[0] = word;
  r->quality = quality;
  r->avg_proximity = avg;
  r->power = 2;
  list.append(std::move(r));
}

TEST(Ranking, BestsTiesAndDuplicates) {
  RecordList list;
  add(list, 500, 200, 1);
  add(list, 700, 100, 2);
  add(list, 700, 100, 2);  // the same signal again: taken out
  add(list, 500, 300, 3);
  add(list, 700, 150, 4);
  add(list, 700, 150, 5);  // a full tie: the earlier record stays best
  auto nth = [&](int k) {
    PermRecord* r = list.first.get();
    while (k-- > 0) r = r->next.get();
    return r;
  };
  RankedBest best = rank_records(list);
  EXPECT_EQ(best.by_quality, nth(4));
  EXPECT_EQ(best.by_avg, nth(3));
  EXPECT_EQ(nth(2)->quality, 0);
  EXPECT_EQ(nth(5)->quality, 700);  // other words: no duplicate

  RecordList empty;
  best = rank_records(empty);
  EXPECT_EQ(best.by_quality, nullptr);
}

}  // namespace
