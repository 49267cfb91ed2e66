// search_test.cpp: the straightforward search on what the fast search and
// the golden runs do not reach: indices beyond a shorter sequence winning a
// tie. (The lines of the search at -D2 to -D4 are in the golden runs; the
// fast search is held to this one in fast_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>

#include "search/reference/reference.hpp"
#include "test_support.hpp"

namespace {

struct OwnSettings {
  Settings own;
};

// A portion, its search environment, and the G-tree and result of one permutation.
struct Search : OwnSettings, SearchCase {
  GTree tree;
  std::vector<std::int32_t> msg;
  Search(Settings s, const std::vector<std::string>& seqs, bool matrix = true) : OwnSettings{std::move(s)}, SearchCase(own, seqs, matrix) {
    EXPECT_TRUE(usable);
  }
  Status run(const std::vector<int>& perm) { return reference_search(env, perm, tree, msg); }
  int word(int s) const { return msg[static_cast<std::size_t>(s)]; }
  int power() const { return msg[static_cast<std::size_t>(2 * dp.n + 1)]; }
};

// With a threshold of 0 an index beyond the end of a shorter sequence can win
// (all its proximities are 0); the signal then gives that sequence no word.
TEST(SignalSearch, IndicesBeyondASequenceAreNoWords) {
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    Settings s = make_settings(1);
    ASSERT_EQ(s.threshold, 0);
    std::vector<std::string> seqs;
    const int n = 2 + round % 7;
    for (int i = 0; i < n; ++i) seqs.push_back(random_text(rng, 1 + static_cast<int>(rng() % 6)));
    Search x(std::move(s), seqs, round % 2 == 0);
    x.env.coin = Coin{[]() noexcept { return 1; }};  // ties go to the later index, beyond the shorter sequences
    std::vector<int> perm = identity(n);
    std::shuffle(perm.begin(), perm.end(), rng);
    ASSERT_EQ(x.run(perm), 0u);
    int power = 0;
    for (int i = 0; i < n; ++i) {
      const int w = x.word(i);
      if (w == x.dp.mw) continue;
      ++power;
      EXPECT_LT(w, x.dp.len[static_cast<std::size_t>(i)]) << "round " << round;
    }
    EXPECT_EQ(x.power(), power);
  }
}

}  // namespace
