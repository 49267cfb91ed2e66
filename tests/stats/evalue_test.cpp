// evalue_test.cpp: the alignment count against enumeration, sites refused,
// and values written from their logarithms.
#include "stats/evalue.hpp"

#include <gtest/gtest.h>

#include "stats/log_value.hpp"
#include "stats_fixture.hpp"

namespace {

TEST(Evalue, AlignmentsAreEveryPlacementOfTheSites) {
  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round) {
    const int n = 1 + static_cast<int>(rng() % 8), nsites = 1 + static_cast<int>(rng() % static_cast<unsigned>(n));
    const SiteSpan span = round % 2 == 0 ? SiteSpan{3, 0, 0, 0} : SiteSpan{2, 3, 1, 4};
    std::vector<int> lengths;
    for (int i = 0; i < n; ++i) lengths.push_back(static_cast<int>(rng() % 16));
    // Places by trying every start (and spacing); then every choice of
    // nsites sequences, one place in each.
    std::vector<double> places;
    for (int len : lengths) {
      long long count = 0;
      for (int start = 0; start < len; ++start)
        for (int s = span.smin; s <= (span.l2 == 0 ? span.smin : span.smax); ++s)
          count += start + span.l + (span.l2 == 0 ? 0 : s + span.l2) <= len ? 1 : 0;
      EXPECT_EQ(site_places(len, span), count) << "length " << len;
      places.push_back(static_cast<double>(count));
    }
    double total = 0;
    for (unsigned mask = 0; mask < (1u << n); ++mask) {
      if (__builtin_popcount(mask) != nsites) continue;
      double product = 1;
      for (int i = 0; i < n; ++i) product *= (mask >> i & 1u) ? places[static_cast<std::size_t>(i)] : 1;
      total += product;
    }
    double log_a = 0;
    ASSERT_EQ(log_alignments(lengths, nsites, span, log_a), 0u);
    if (total == 0)
      EXPECT_EQ(log_a, kLogZero);
    else
      EXPECT_NEAR(log_a, std::log(total), 1e-9);
  }
  // Equal lengths: C(n, N) * P^N.
  double log_a = 0;
  ASSERT_EQ(log_alignments(std::vector<int>(18, 105), 15, SiteSpan{22, 0, 0, 0}, log_a), 0u);
  EXPECT_NEAR(log_a, log_choose(18, 15) + 15 * std::log(84.0), 1e-9);
}

// A site in a sequence too short for it, or two sites in one sequence.
// (E = p x A, and site p-values within (0, 1], are checked on real runs by
// export_e2e.py, with and without the input's lengths.)
TEST(Evalue, SitesTheSequencesCannotHoldAreRefused) {
  std::mt19937 rng(1);
  const Background bg = random_background(rng, kDna);
  SignalData d;
  d.span = {6, 0, 0, 0};
  d.words = background_words(rng, bg, 7, 6);
  for (int i = 0; i < 7; ++i) {
    d.site_seqs.push_back(i + 1);
    d.lengths.push_back(10 + i);
  }
  d.lengths.push_back(40);
  SignalStats st;
  ASSERT_EQ(signal_stats(d, bg, st), 0u);
  SignalData bad = d;
  bad.lengths[1] = 5;
  EXPECT_EQ(signal_stats(bad, bg, st), ERDATA);
  bad = d;
  bad.site_seqs[1] = bad.site_seqs[0];
  EXPECT_EQ(signal_stats(bad, bg, st), ERDATA);
}

TEST(Evalue, ValuesAreWrittenFromTheirLogarithms) {
  EXPECT_EQ(format_log_value(std::log(1.8e-7)), "1.8e-07");
  EXPECT_EQ(format_log_value(0.0), "1.0e+00");
  EXPECT_EQ(format_log_value(std::log(33.0)), "3.3e+01");
  EXPECT_EQ(format_log_value(std::log(9.96e-5)), "1.0e-04");
  EXPECT_EQ(format_log_value(std::log(1.2) - 450 * std::log(10.0)), "1.2e-450");
  EXPECT_EQ(format_log_value(kLogZero), "0");
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-5000, 100);
  for (int i = 0; i < 2000; ++i) {
    const double ln = u(rng);
    const std::string text = format_log_value(ln);
    const std::size_t e = text.find('e');
    ASSERT_NE(e, std::string::npos) << text;
    const double back = std::log(std::stod(text.substr(0, e))) + std::stod(text.substr(e + 1)) * std::log(10.0);
    EXPECT_NEAR(back, ln, std::log(1.06)) << text;  // two significant digits
  }
}

}  // namespace
