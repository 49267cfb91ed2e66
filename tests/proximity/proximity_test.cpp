// proximity_test.cpp: the proximity of two words and the proximity matrix.
#include "proximity/proximity.hpp"

#include <gtest/gtest.h>

#include <cstring>

#include "config/cmdline.hpp"
#include "test_support.hpp"

namespace {

struct Words {
  Settings set;
  DataPortion dp;
  Words(Settings s, const std::vector<std::string>& seqs) : set(std::move(s)) {
    EXPECT_EQ(load_portion(set, seqs, dp) & ~EODATA, 0u);
  }
  int fly(int a, int i, int b, int j) const {
    return proximity(ProxEnv{&set, &dp, nullptr}, a, i, b, j);
  }
};

Settings with_motif(int l, const char* motif, int penalty = 5) {
  Settings s;
  s.l = l;
  s.a_penalty = penalty;
  std::snprintf(s.motif, sizeof s.motif, "%s", motif);
  s.motif_given = true;
  EXPECT_EQ(derive_settings(s), 0u);
  return s;
}

TEST(Proximity, CountsEqualLettersWithoutMotif) {
  Words w(make_settings(4), {"acgt", "acct", "tgca"});
  EXPECT_EQ(w.fly(0, 0, 1, 0), 3);
  EXPECT_EQ(w.fly(0, 0, 2, 0), 0);
  EXPECT_EQ(w.fly(1, 0, 0, 0), 3);
}

TEST(Proximity, MotifBonusesAndPenalties) {
  Words w(with_motif(4, "a?Gt"), {"acgt", "acgt", "acct", "acct"});
  EXPECT_EQ(w.fly(0, 0, 1, 0), 7);  // 2 + 1 + 2 + 2
  EXPECT_EQ(w.fly(2, 0, 3, 0), 1);  // 2 + 1 + (1 - 5) + 2

  Words v(with_motif(4, "acGt"), {"acgt", "acat"});
  EXPECT_EQ(v.fly(0, 0, 1, 0), 1);  // 2 + 2 - 5 + 2
  Words hard(with_motif(4, "acGt", 10), {"acgt", "acat"});
  EXPECT_EQ(hard.fly(0, 0, 1, 0), 0);  // -4 is raised to 0
}

TEST(Proximity, NoWordAndInvalidIndicesGiveZero) {
  Words w(make_settings(4), {"acgtacgt", "acgtac"});
  const int mw = w.dp.mw;  // 5: indices 0..4 in the longer sequence
  EXPECT_EQ(mw, 5);
  EXPECT_EQ(w.fly(0, mw, 1, 0), 0);
  EXPECT_EQ(w.fly(0, 0, 1, mw), 0);
  EXPECT_EQ(w.fly(0, 4, 1, 3), 0);  // word 3 of the shorter sequence would pass its end
  EXPECT_EQ(w.fly(0, 4, 1, 0), 4);
  ProxMatrix mx;
  ASSERT_EQ(build_matrix(w.set, w.dp, nullptr, mx), 0u);
  const ProxEnv env{&w.set, &w.dp, &mx};
  EXPECT_EQ(proximity(env, 0, mw, 1, 0), 0);
  EXPECT_EQ(proximity(env, 0, 4, 1, 3), 0);
  EXPECT_EQ(proximity(env, 1, 0, 0, 4), 4);
}

TEST(Proximity, WordPairsPayTheirSpacingPenalties) {
  Settings s = make_settings(2, 2);  // spacings 16..22, penalties 8,0,0,2,4,6,8
  // The same two words in both sequences, with spacings 17 and 19.
  const std::string a = "ac" + std::string(17, 'g') + "tt" + "aaaaa";
  const std::string b = "ac" + std::string(19, 'g') + "tt" + "aaa";
  Words w(std::move(s), {a, b});
  const Settings& t = w.set;
  const int i = 0 * t.S + (17 - 16), j = 0 * t.S + (19 - 16);
  EXPECT_EQ(w.fly(0, i, 1, j), 4 - 0 - 2);
  // Spacings 16 and 22 cost 16, more than the 4 agreeing letters.
  const std::string c = "ac" + std::string(16, 'g') + "tt" + "aaaaaa";
  const std::string d = "ac" + std::string(22, 'g') + "tt";
  Words v(make_settings(2, 2), {c, d});
  EXPECT_EQ(v.fly(0, 0, 1, 6), 0);
}

// Matrix mode and on-the-fly mode agree on every pair of indices, for both
// alphabets, with and without motifs, for one word and word pairs, with
// sequences shorter than the word.
TEST(ProximityMatrix, AgreesWithOnTheFlyOnRandomPortions) {
  std::mt19937 rng(20261205);
  for (int round = 0; round < 24; ++round) {
    const bool pair = round % 2 == 1, acid = round % 3 == 2, motifs = round % 4 >= 2;
    Settings s;
    s.acid = acid;
    s.l = 3 + round % 4;
    if (pair) {
      s.l2 = 2 + round % 3;
      s.smin = 1;
      s.smax = 3;
      std::snprintf(s.pen_text, sizeof s.pen_text, "%s", "1,0,2");
    }
    if (motifs) {
      const char* letters = acid ? "acdeY.?x*" : "acgT.?x*";
      std::string m = random_text(rng, s.l, letters);
      std::snprintf(s.motif, sizeof s.motif, "%s", m.c_str());
      s.motif_given = true;
      if (pair) {
        m = random_text(rng, s.l2, letters);
        std::snprintf(s.motif2, sizeof s.motif2, "%s", m.c_str());
        s.motif2_given = true;
      }
    }
    ASSERT_EQ(derive_settings(s), 0u);
    std::vector<std::string> seqs;
    const int n = 2 + round % 5;
    for (int i = 0; i < n; ++i)
      seqs.push_back(random_text(rng, 2 + static_cast<int>(rng() % 30), acid ? "acdefgh" : "acgt"));
    seqs[0] = random_text(rng, 34, acid ? "acdefgh" : "acgt");  // mw > 0
    DataPortion dp;
    ASSERT_EQ(load_portion(s, seqs, dp) & ~EODATA, 0u);
    ProxMatrix mx;
    ASSERT_EQ(build_matrix(s, dp, nullptr, mx), 0u);
    const ProxEnv fly{&s, &dp, nullptr}, mat{&s, &dp, &mx};
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) {
        if (a == b) continue;
        for (int i = 0; i <= dp.mw; ++i)
          for (int j = 0; j <= dp.mw; ++j) {
            const int p = proximity(fly, a, i, b, j);
            ASSERT_EQ(p, proximity(mat, a, i, b, j)) << "round " << round;
            ASSERT_EQ(p, proximity(fly, b, j, a, i));
            ASSERT_GE(p, 0);
          }
      }
  }
}

TEST(ProximityMatrix, DumpLayout) {
  Settings s = make_settings(2);
  s.diag_level = 3;
  Words w(std::move(s), {"acgt", "ac", "a"});  // the third sequence is shorter than the word
  MemFile f;
  ProxMatrix mx;
  ASSERT_EQ(build_matrix(w.set, w.dp, f.f, mx), 0u);
  EXPECT_EQ(f.text(),
            "Proximity matrix: [u,v=3*3][i,j=3*3]\n"
            "[01,02] 01 02 03\n"
            "    1:   2  .  .\n"
            "\n"
            "[01,03] 01 02 03\n"
            "\n"
            "[02,03] 01 02 03\n"
            "\n");
}

TEST(ProximityMatrix, HeaderCellsAreThreeCharactersWide) {
  Settings s = make_settings(1);
  s.diag_level = 3;
  Words w(std::move(s), {std::string(150, 'a'), "c"});
  MemFile f;
  ProxMatrix mx;
  ASSERT_EQ(build_matrix(w.set, w.dp, f.f, mx), 0u);
  const std::string text = f.text();
  const std::string header = text.substr(text.find("[01,02]"), text.find('\n', text.find("[01,02]")) - text.find("[01,02]"));
  EXPECT_EQ(header.size(), 7u + 3 * 150);
  EXPECT_EQ(header.substr(7 + 3 * 98, 9), " 99100 01");
  EXPECT_EQ(header.substr(header.size() - 3), " 50");
  EXPECT_EQ(text.find("    1:"), std::string::npos);  // every entry is 0: no row
}

TEST(ProximityMatrix, MemoryFailureLeavesNoMatrix) {
  Words w(make_settings(3), {"acgtacgt", "acgtac", "aacc"});
  for (long k = 0; k < 2; ++k) {
    ProxMatrix mx;
    fail_allocations_after(k);
    EXPECT_EQ(build_matrix(w.set, w.dp, nullptr, mx), ERMEM);
    alloc_failures_off();
    EXPECT_FALSE(mx.built());
  }
  // A size that cannot be held is a failed allocation too.
  DataPortion huge;
  huge.n = 256;
  huge.pair_count = 256 * 255 / 2;
  huge.mw = 2000000000;
  ProxMatrix mx;
  EXPECT_EQ(build_matrix(w.set, huge, nullptr, mx), ERMEM);
}

}  // namespace
