// site_pvalue_test.cpp: the site p-value by dynamic programming against every
// word enumerated, on seeded random matrices and backgrounds.
#include "stats/site_pvalue.hpp"

#include <gtest/gtest.h>

#include <map>

#include "stats/log_value.hpp"
#include "stats_fixture.hpp"

namespace {

// Rounded score of a word; the enumeration's own sum, apart from word_steps.
long long steps_of(const Pwm& pwm, const Background& bg, const std::string& w, double grid) {
  long long s = 0;
  for (int col = 0; col < pwm.width; ++col)
    s += std::llround(pwm.at(col, letter_index(bg.letters, w[static_cast<std::size_t>(col)])) / grid);
  return s;
}

struct Case {
  const char* letters;
  int width, nsites;
  double grid;
};

TEST(SitePvalue, EqualsEveryWordEnumerated) {
  const Case cases[] = {{kDna, 1, 3, 0.01}, {kDna, 4, 6, 0.01}, {kDna, 6, 10, 0.01}, {kDna, 6, 4, 0.2},
                        {kDna, 5, 20, 0.001}, {kProtein, 3, 8, 0.01}};
  for (unsigned seed = 1; seed <= 6; ++seed)
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << ", " << c.letters << " width " << c.width
                                        << " grid " << c.grid);
      std::mt19937 rng(seed);
      const Background bg = random_background(rng, c.letters);
      // Sites from another background, so that the matrix is not flat.
      const std::vector<std::string> sites = background_words(rng, random_background(rng, c.letters), c.nsites, c.width);
      CountMatrix m;
      Pwm pwm;
      ScoreTail tail;
      ASSERT_EQ(count_words(sites, bg.letters, m), 0u);
      ASSERT_EQ(build_pwm(m, bg, kPseudocount, pwm), 0u);
      ASSERT_EQ(score_tail(pwm, bg, c.grid, tail), 0u);
      // The exact tail of the rounded score, and of the unrounded one.
      std::map<long long, double> at_step;
      std::vector<std::pair<double, double>> exact;
      every_word(bg, c.width, [&](const std::string& w, double p) {
        at_step[steps_of(pwm, bg, w, c.grid)] += p;
        double score = 0;
        for (int col = 0; col < c.width; ++col)
          score += pwm.at(col, letter_index(bg.letters, w[static_cast<std::size_t>(col)]));
        exact.push_back({score, p});
      });
      double above = 0, previous = 0;
      for (auto it = at_step.rbegin(); it != at_step.rend(); ++it) {
        above += it->second;
        const double p = std::exp(tail_at(tail, it->first));
        EXPECT_NEAR(p, above, 1e-9 * above) << "score " << it->first << " steps";
        EXPECT_GE(p, previous - 1e-12);  // monotone: a lower score is never rarer
        EXPECT_GT(p, 0.0);
        previous = p;
      }
      EXPECT_EQ(tail_at(tail, at_step.begin()->first - 1), 0.0);
      EXPECT_EQ(tail_at(tail, at_step.rbegin()->first + 1), kLogZero);
      // Rounding moves a score by at most width * grid / 2: the p-value of the
      // rounded score lies between the exact tails that far on either side.
      const double slack = c.width * c.grid / 2 + 1e-9;
      for (const std::string& w : sites) {
        long long s = 0;
        ASSERT_EQ(word_steps(pwm, bg, c.grid, w, s), 0u);
        const double score = static_cast<double>(s) * c.grid, p = std::exp(tail_at(tail, s));
        double lo = 0, hi = 0;
        for (const auto& [x, q] : exact) {
          if (x >= score + slack) lo += q;
          if (x >= score - slack) hi += q;
        }
        EXPECT_GE(p, lo * (1 - 1e-9));
        EXPECT_LE(p, hi * (1 + 1e-9));
      }
    }
}

TEST(SitePvalue, RefusesWordsItCannotScore) {
  std::mt19937 rng(3);
  const Background bg = random_background(rng, kDna);
  CountMatrix m;
  Pwm pwm;
  ASSERT_EQ(count_words({"ACGT", "ACGA"}, kDna, m), 0u);
  ASSERT_EQ(build_pwm(m, bg, kPseudocount, pwm), 0u);
  long long s = 0;
  EXPECT_EQ(word_steps(pwm, bg, kScoreGrid, "ACG", s), ERDATA);
  EXPECT_EQ(word_steps(pwm, bg, kScoreGrid, "ACGN", s), ERDATA);
  EXPECT_EQ(word_steps(pwm, bg, kScoreGrid, "acgt", s), 0u);  // any case
  EXPECT_EQ(count_words({"ACGT", "ACG"}, kDna, m), ERDATA);
}

}  // namespace
