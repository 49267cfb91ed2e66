// llr_pvalue_test.cpp: the p-value of the sites' log-likelihood ratio against
// every alignment enumerated, and far below the smallest double.
#include "stats/llr_pvalue.hpp"

#include <gtest/gtest.h>

#include <map>

#include "stats/log_value.hpp"
#include "stats_fixture.hpp"

namespace {

// The rounded ratio of an alignment, summed column by column as the test's
// own loop, and its unrounded value.
long long steps_of(const CountMatrix& m, const Background& bg, double beta, double grid) {
  long long s = 0;
  for (int col = 0; col < m.width; ++col) s += column_steps(m.counts.data() + col * m.k, m.nsites, bg, beta, grid);
  return s;
}

std::vector<std::string> split(const std::string& text, int nsites) {
  std::vector<std::string> words;
  const std::size_t w = text.size() / static_cast<std::size_t>(nsites);
  for (int i = 0; i < nsites; ++i) words.push_back(text.substr(static_cast<std::size_t>(i) * w, w));
  return words;
}

TEST(LlrPvalue, EqualsEveryAlignmentEnumerated) {
  const struct {
    const char* letters;
    int nsites, width;
    double beta;
  } cases[] = {{kDna, 2, 3, kPseudocount}, {kDna, 3, 2, 0.0}, {kDna, 4, 2, kPseudocount},
               {kDna, 1, 4, kPseudocount}, {kDna, 8, 1, 0.0},  {kProtein, 3, 1, kPseudocount}};
  for (unsigned seed = 1; seed <= 2; ++seed)
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << ", " << c.letters << " " << c.nsites << " sites x "
                                        << c.width << ", beta " << c.beta);
      std::mt19937 rng(seed);
      const Background bg = random_background(rng, c.letters);
      const double grid = llr_grid(c.nsites, bg, c.beta);
      std::map<long long, double> at_step;
      std::map<long long, std::vector<std::string>> example;
      std::vector<std::pair<double, double>> exact;  // unrounded ratio, probability
      every_word(bg, c.nsites * c.width, [&](const std::string& text, double p) {
        CountMatrix m;
        ASSERT_EQ(count_words(split(text, c.nsites), bg.letters, m), 0u);
        const long long s = steps_of(m, bg, c.beta, grid);
        at_step[s] += p;
        if (!example.count(s)) example[s] = split(text, c.nsites);
        double llr = 0;
        for (int col = 0; col < m.width; ++col)
          for (int a = 0; a < m.k; ++a) llr += llr_term(m.at(col, a), m.nsites, bg.freq[static_cast<std::size_t>(a)], c.beta);
        exact.push_back({llr, p});
      });
      double above = 0;
      for (auto it = at_step.rbegin(); it != at_step.rend(); ++it) {
        above += it->second;
        CountMatrix m;
        LlrTest t;
        ASSERT_EQ(count_words(example[it->first], bg.letters, m), 0u);
        ASSERT_EQ(llr_pvalue(m, bg, c.beta, t), 0u);
        ASSERT_EQ(t.steps, it->first);
        EXPECT_NEAR(std::exp(t.log_p), above, 1e-9 * above) << "at " << it->first << " steps";
        // Rounding each letter's term moves the ratio by at most
        // width * k * grid / 2: the p-value lies between the exact tails.
        const double slack = c.width * m.k * grid / 2 + 1e-9;
        double lo = 0, hi = 0;
        for (const auto& [x, q] : exact) {
          if (x >= t.llr + slack) lo += q;
          if (x >= t.llr - slack) hi += q;
        }
        EXPECT_GE(std::exp(t.log_p), lo * (1 - 1e-9));
        EXPECT_LE(std::exp(t.log_p), hi * (1 + 1e-9));
      }
    }
}

TEST(LlrPvalue, ExtremeAlignmentsStayInLogSpace) {
  // 30 identical protein sites of width 40: far below the smallest double.
  std::mt19937 rng(5);
  const Background bg = random_background(rng, kProtein);
  CountMatrix m;
  LlrTest t;
  ASSERT_EQ(count_words(std::vector<std::string>(30, std::string(40, 'W')), bg.letters, m), 0u);
  ASSERT_EQ(llr_pvalue(m, bg, kPseudocount, t), 0u);
  EXPECT_TRUE(std::isfinite(t.log_p));
  EXPECT_LT(t.log_p, std::log(1e-308));
  const std::string text = format_log_value(t.log_p);
  EXPECT_NE(text, "0");
  EXPECT_NEAR(std::stod(text.substr(text.find('e') + 1)), std::floor(t.log_p / std::log(10.0)), 1.0) << text;
  // No site: nothing to test.
  CountMatrix none;
  ASSERT_EQ(count_words({}, bg.letters, none), 0u);
  EXPECT_EQ(llr_pvalue(none, bg, kPseudocount, t), ERDATA);
}

}  // namespace
