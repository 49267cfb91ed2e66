// search_test.cpp: the G-tree, the quad search, the merge and the signal
// search against oracles. (Their lines at -D2 to -D4 are in the golden runs;
// the fast search is checked against this one in fast_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>

#include "config/cmdline.hpp"
#include "proximity/background.hpp"
#include "messages.hpp"
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
  Status build(const std::vector<int>& perm) {
    reset_tree(tree, perm);
    return build_gtree(tree, env);
  }
  Status run(const std::vector<int>& perm) { return reference_search(env, perm, tree, msg); }
  std::vector<int> level(int z) const {
    const auto& lv = tree.level[static_cast<std::size_t>(z)];
    return std::vector<int>(lv.data(), lv.data() + dp.nn);
  }
  int word(int s) const { return msg[static_cast<std::size_t>(s)]; }
  int power() const { return msg[static_cast<std::size_t>(2 * dp.n + 1)]; }
};

// The cost of every key of every group is the sum of the proximities among
// the words of its row, or 0 for a row without words.
TEST(QuadSearch, CostIsTheSumOfTheRowsProximities) {
  std::mt19937 rng(7);
  for (int round = 0; round < 30; ++round) {
    const int n = 3 + round % 6;
    Settings s = make_settings(3 + round % 3);
    s.threshold = 1 + round % 3;
    std::vector<std::string> seqs;
    for (int i = 0; i < n; ++i) seqs.push_back(random_text(rng, 6 + static_cast<int>(rng() % 6)));
    Search x(std::move(s), seqs, round % 2 == 0);
    std::vector<int> perm = identity(n);
    std::shuffle(perm.begin(), perm.end(), rng);
    ASSERT_EQ(x.build(perm), 0u);
    ASSERT_EQ(search_quads(x.tree, x.env), 0u);
    const int M = x.dp.M(), nn = x.dp.nn, Q = nn / 4, mw = x.dp.mw;
    const std::vector<int> lv = x.level(x.dp.logn - 1);
    for (int q = 0; q < Q; ++q)
      for (int key = 0; key < M * M; ++key) {
        const std::int16_t* row = x.tree.system.data() + key * nn + 4 * q;
        const int seqs_of[4] = {lv[ix(4 * q)], lv[ix(4 * q + 2)], lv[ix(4 * q + 1)], lv[ix(4 * q + 3)]};
        int sum = 0;
        for (int i = 0; i < 4; ++i)
          for (int j = i + 1; j < 4; ++j)
            if (seqs_of[i] >= 0 && seqs_of[j] >= 0)
              sum += x.env.p(seqs_of[i], row[i], seqs_of[j], row[j]);
        ASSERT_EQ(x.tree.cost[static_cast<std::size_t>(key * Q + q)], sum) << "round " << round;
        if (sum > 0) {
          ASSERT_EQ(row[0], key / M);
          ASSERT_EQ(row[1], key % M);
        }
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(row[i] >= 0 && row[i] <= mw);
      }
  }
}

// With two sequences the search is exact: the best pair of words when its
// proximity reaches the threshold, else no words.
TEST(SignalSearch, TwoSequencesGiveTheBestPair) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round) {
    Settings s = make_settings(4);
    s.threshold = 1 + round % 5;
    Search x(std::move(s), {random_text(rng, 9), random_text(rng, 7)}, round % 2 == 0);
    ASSERT_EQ(x.run({round % 2, 1 - round % 2}), 0u);
    int best = 0;
    for (int i = 0; i < x.dp.mw; ++i)
      for (int j = 0; j < x.dp.mw; ++j) best = std::max(best, x.env.p(0, i, 1, j));
    if (best >= x.set.threshold) {
      EXPECT_EQ(x.power(), 2);
      EXPECT_EQ(x.env.p(0, x.word(0), 1, x.word(1)), best);
      EXPECT_EQ(x.msg[2], best);
      EXPECT_EQ(x.msg[3], best);
    } else {
      EXPECT_EQ(x.power(), 0);
      EXPECT_EQ(x.word(0), x.dp.mw);
      EXPECT_EQ(x.word(1), x.dp.mw);
      EXPECT_EQ(x.msg[2], 0);
    }
  }
}

// AT-rich sequences (65% a and t) with two low-complexity runs each (poly-A
// and a TA repeat) and a GC-rich word planted once with one letter changed:
// with letters alike (-BG0) the runs, which agree everywhere, make the
// signal; weighed by their information (-BG1) the planted word does.
TEST(SignalSearch, InformationPrefersThePlantedWordToRepeats) {
  std::mt19937 rng(65);
  const std::string planted = "gccacgtggc";
  const int n = 10, zone = 50, run = 14;
  std::vector<std::string> seqs;
  std::vector<int> at;
  for (int i = 0; i < n; ++i) {
    std::string s;
    for (int k = 0; k < 3 * zone; ++k) s += rng() % 100 < 65 ? "at"[rng() % 2] : "cg"[rng() % 2];
    int zones[3] = {0, 1, 2};
    std::shuffle(zones, zones + 3, rng);
    for (int r = 0; r < 2; ++r) {
      const int from = zones[r] * zone + static_cast<int>(rng() % (zone - run));
      for (int k = 0; k < run; ++k) s[static_cast<std::size_t>(from + k)] = r == 0 ? 'a' : "ta"[k % 2];
    }
    std::string copy = planted;
    copy[rng() % copy.size()] = "acgt"[rng() % 4];
    at.push_back(zones[2] * zone + static_cast<int>(rng() % (zone - planted.size())));
    s.replace(static_cast<std::size_t>(at.back()), copy.size(), copy);
    seqs.push_back(s);
  }
  for (int bg : {0, 1}) {
    Settings set = make_settings(static_cast<int>(planted.size()));
    set.background = bg;
    Search x(std::move(set), seqs);
    ASSERT_EQ(x.run(identity(n)), 0u);
    EXPECT_GE(x.power(), n - 1) << "-BG" << bg;
    for (int i = 0; i < n; ++i) {
      const int w = x.word(i);
      if (w == x.dp.mw) continue;
      const std::string word = seqs[static_cast<std::size_t>(i)].substr(static_cast<std::size_t>(w), planted.size());
      const bool repeat = word.find_first_not_of(word[0] == 'a' && word[1] == 'a' ? "a" : "at") == std::string::npos &&
                          (word[0] == word[2] && word[1] == word[3]);  // poly-A or a TA repeat
      if (bg == 0)
        EXPECT_TRUE(repeat) << "sequence " << i << " word " << word;
      else
        EXPECT_EQ(w, at[static_cast<std::size_t>(i)]) << "sequence " << i << " word " << word;
    }
  }
}

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
