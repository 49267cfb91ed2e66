// plist_test.cpp: the P-list and the Q-list limit of small portions.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "scheduler/plist.hpp"
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

}  // namespace
