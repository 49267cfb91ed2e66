// proximity_test.cpp: the proximity of two words and the proximity matrix.
#include "proximity/proximity.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "config/cmdline.hpp"
#include "proximity/background.hpp"
#include "test_support.hpp"

namespace {

// Matrix mode and on-the-fly mode agree on every pair of indices, for both
// alphabets, with and without motifs, for one word and word pairs, with
// sequences shorter than the word, letters alike and weighed (-BG1).
TEST(ProximityMatrix, AgreesWithOnTheFlyOnRandomPortions) {
  std::mt19937 rng(20261205);
  int wide_top = 0;
  for (int round = 0; round < 36; ++round) {
    const bool pair = round % 2 == 1, acid = round % 3 == 2, motifs = round % 4 >= 2;
    Settings s;
    s.acid = acid;
    s.background = round >= 24;  // letters weighed by their information (-BG1)
    if (round >= 30) s.a_bonus = 40;  // -BG1 beyond a byte: the matrix of 16-bit cells
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
    int top = 0;
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) {
        if (a == b) continue;
        for (int i = 0; i <= dp.mw; ++i)
          for (int j = 0; j <= dp.mw; ++j) {
            const int p = proximity(fly, a, i, b, j);
            ASSERT_EQ(p, proximity(mat, a, i, b, j)) << "round " << round;
            ASSERT_EQ(p, proximity(fly, b, j, a, i));
            ASSERT_GE(p, 0);
            top = std::max(top, p);
          }
      }
    if (round >= 30) wide_top = std::max(wide_top, top);
  }
  EXPECT_GT(wide_top, 255);  // the 16-bit matrix was met
}

// -BG1: the weights of a portion's letters in quarter bits, -log2 of their
// frequency, rounded, at least 1; an absent letter as if it were half a
// letter; the derived threshold is the plain one times the mean weight, a
// given one stays; the parameters line shows the weights. A portion of one
// letter counts it 1 and has no division by zero. (Under -BG0 nothing is
// derived or shown: every golden run without -BG1 holds its parameters lines.)
TEST(Background, WeightsThresholdAndParametersLine) {
  const struct {
    std::vector<std::string> seqs;
    bool acid;
    int given;  // -T, or -1
    const char* shown;
    int threshold;
  } cases[] = {
      {{"aaaa", "cgct"}, false, -1, "a:4,c:8,t:12,g:12", 14},  // 2 x (4 x 4 + 2 x 8 + 2 x 12) / 8
      {{"aaaa", "aaaa"}, false, -1, "a:1,c:16,t:16,g:16", 2},   // absent: 1/16, 4 bits
      {{"aaaa", "aaaa"}, false, 7, "a:1,c:16,t:16,g:16", 7},
      {{"acdefghiklmnpqrstvwy", "acdefghiklmnpqrstvwy"}, true, -1, "a:17,c:17,d:17", 34},  // log2 20 = 4.32
  };
  for (const auto& c : cases) {
    Settings s = make_settings(4);
    s.acid = c.acid;
    s.background = 1;
    if (c.given > 0) s.threshold = c.given, s.plain_threshold = -1;
    DataPortion dp;
    ASSERT_EQ(load_portion(s, c.seqs, dp) & ~EODATA, 0u);
    EXPECT_EQ(dp.derived.threshold, c.threshold) << c.shown;
    MemFile f;
    Out o{f.f};
    write_background(o, s, dp.derived);
    EXPECT_EQ(f.text().rfind(std::string("background=1 (quarter bits)  weights=") + c.shown, 0), 0u) << f.text();
  }
}

// The dump at -D3 (its layout is in the golden -D3 run): a header of
// 3-character cells, and a cell that reaches 100 loses its space; no row
// where every proximity is 0.
TEST(ProximityMatrix, DumpOfLongSequences) {
  Settings s = make_settings(1);
  s.diag_level = 3;
  DataPortion dp;
  ASSERT_EQ(load_portion(s, {std::string(150, 'a'), "c"}, dp) & ~EODATA, 0u);
  MemFile f;
  Out out{f.f};
  ProxMatrix mx;
  ASSERT_EQ(build_matrix(s, dp, &out, mx), 0u);
  const std::string text = f.text();
  const std::string header = text.substr(text.find("[01,02]"), 7 + 3 * 150);
  EXPECT_EQ(header.substr(7 + 3 * 98, 9), " 99100 01");
  EXPECT_EQ(header.substr(header.size() - 3), " 50");
  EXPECT_EQ(text.find("    1:"), std::string::npos);
}

}  // namespace
