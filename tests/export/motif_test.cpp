// motif_test.cpp: IUPAC codes by their rules, and the information content of
// columns whose value is known.
#include "export/motif.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Motif, IupacCodesFollowTheirRules) {
  const struct {
    int counts[4];  // A, C, G, T
    char code;
  } cases[] = {
      {{0, 0, 9, 1}, 'G'}, {{1, 0, 0, 9}, 'T'}, {{6, 4, 0, 0}, 'M'}, {{2, 0, 2, 0}, 'R'},
      {{0, 2, 0, 2}, 'Y'}, {{0, 3, 0, 3}, 'Y'}, {{4, 3, 3, 0}, 'V'}, {{3, 0, 3, 3}, 'D'},
      {{3, 3, 3, 3}, 'N'}, {{0, 0, 0, 0}, 'N'}, {{5, 2, 2, 1}, 'N'}, {{0, 3, 3, 3}, 'B'}, {{0, 4, 3, 2}, 'S'},
  };
  for (const auto& c : cases)
    EXPECT_EQ(iupac_code(c.counts), c.code) << c.counts[0] << c.counts[1] << c.counts[2] << c.counts[3];
}

TEST(Motif, CountsConsensusAndBits) {
  const MotifAlphabet dna = motif_alphabet(false);
  const std::vector<double> uniform(4, 0.25);
  const MotifMatrix m = build_motif("m", {"AACG", "ACCG", "AGTG", "ATTG"}, dna, uniform);
  EXPECT_EQ(m.nsites, 4);
  EXPECT_EQ(m.consensus, "AACG");  // a tie goes to the first letter
  EXPECT_EQ(m.iupac, "ANYG");
  const double bits[] = {2.0, 0.0, 1.0, 2.0};
  for (int pos = 0; pos < 4; ++pos) EXPECT_NEAR(m.bits[static_cast<std::size_t>(pos)], bits[pos], 1e-9);
  // Against a skewed background a column of the rare letter carries more.
  const MotifMatrix skew = build_motif("m", {"C", "C"}, dna, {0.4, 0.1, 0.1, 0.4});
  EXPECT_NEAR(skew.bits[0], std::log2(10.0), 1e-9);
  const MotifMatrix protein = build_motif("p", {"WK", "WH"}, motif_alphabet(true), std::vector<double>(20, 0.05));
  EXPECT_EQ(protein.consensus, "WH");
  EXPECT_TRUE(protein.iupac.empty());
}

}  // namespace
