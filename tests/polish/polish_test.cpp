// polish_test.cpp: the climb of korvax-polish against korvax's own measure on
// random portions; a planted signal shifted by one comes back. (korvax's
// history files of real runs are read back by polish_e2e.py.)
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "config/cmdline.hpp"
#include "polish/polish_portion.hpp"
#include "test_support.hpp"
#include "word_index.hpp"

namespace {

struct Case {
  const char* what;
  const char* options;  // korvax's, after -SMIN2 -SMAX4 -SPEN1,0,2
};

// Settings of a case, read and derived as korvax reads and derives them.
void case_settings(const Case& c, Settings& s) {
  std::istringstream in(std::string("-SMIN2 -SMAX4 -SPEN1,0,2 ") + c.options);
  bool help = false;
  for (std::string o; in >> o;) ASSERT_TRUE(apply_option(o.c_str(), s, &help)) << o;
  ASSERT_EQ(derive_settings(s), 0u);
}

SearchEnv measure_env(const Settings& s, const DataPortion& dp) {
  return SearchEnv{&s, &dp, ProxEnv{&s, &dp, nullptr}, Coin{}, nullptr};
}

int quality_of(const SearchEnv& env, const Words& w) {
  Measure m;
  EXPECT_EQ(measure_words(env, w, m), 0u);
  return m.quality;
}

// Random sequences whose words share letters often enough for bonuses.
std::vector<std::string> random_portion(std::mt19937& rng, int n, int lo, int hi, const char* letters) {
  const std::string core = random_text(rng, hi, letters);
  std::vector<std::string> seqs;
  for (int i = 0; i < n; ++i) {
    std::string s = random_text(rng, std::uniform_int_distribution<int>(lo, hi)(rng), letters);
    const auto at = std::uniform_int_distribution<std::size_t>(0, s.size() / 2)(rng);
    s.replace(at, s.size() / 3, core.substr(0, s.size() / 3));   // a shared stretch at various places
    seqs.push_back(s);
  }
  return seqs;
}

const Case kCases[] = {
    {"one word", "-L5"},
    {"one word, strict bonuses", "-L4 -BA7 -BC2 -BX0"},
    {"one word, motif", "-L5 -M'a.Gtc' -MB2"},
    {"one word, proximities above a byte", "-L12 -M'acgtacgtacgt' -MB30"},
    {"word pair", "-L3 -LL3 -BX2"},
    {"word pair, second motif", "-L4 -LL3 -MM'gTa' -BA2 -BC2"},
    {"word pair, both motifs", "-L3 -LL2 -M'aCg' -MM'tt'"},
    {"protein", "-ACID -L4"},
};

// For random portions and random starts: the climb reckons the quality that
// measure_signal gives, never goes down, and ends where no single change of
// one sequence (any fitting word, or no word) raises korvax's quality.
TEST(PolishClimb, ReachesAFixedPointOfKorvaxsMeasure) {
  std::mt19937 rng(2024);
  bool with_matrix = false, on_the_fly = false;
  for (const Case& c : kCases)
    for (int round = 0; round < 4; ++round) {
      SCOPED_TRACE(std::string(c.what) + ", round " + std::to_string(round));
      Settings s;
      case_settings(c, s);
      const int n = std::uniform_int_distribution<int>(2, 7)(rng);
      const int least = s.l + (s.l2 > 0 ? s.l2 + s.smax : 0);
      auto dp = std::make_unique<DataPortion>();
      ASSERT_EQ(load_portion(s, random_portion(rng, n, least, least + 25, s.acid ? "acdefghik" : "acgt"), *dp) & ~EODATA, 0u);
      ClimbSpace sp;
      ASSERT_EQ(prepare_climbs(s, *dp, sp), 0u);
      (sp.matrix.built() ? with_matrix : on_the_fly) = true;
      const SearchEnv env = measure_env(s, *dp);
      Words start;
      for (int i = 0; i < n; ++i) {
        const auto& fit = sp.valid[static_cast<std::size_t>(i)];
        start.push_back(rng() % 4 == 0 ? dp->mw : fit[rng() % fit.size()]);
      }
      ClimbResult r;
      ASSERT_EQ(climb(sp, start, r), 0u);
      ASSERT_EQ(quality_of(env, r.words), r.quality);
      EXPECT_GE(r.quality, quality_of(env, start));
      for (int i = 0; i < n; ++i) {
        Words moved = r.words;
        for (int w = 0; w <= dp->mw; ++w) {
          if (w != dp->mw && !word_fits(w, dp->len[static_cast<std::size_t>(i)], s.l, s.l2, s.smin, s.S)) continue;
          moved[static_cast<std::size_t>(i)] = w;
          ASSERT_LE(quality_of(env, moved), r.quality) << "sequence " << i << " word " << w;
        }
      }
    }
  EXPECT_TRUE(with_matrix && on_the_fly);
}

// A signal planted in every sequence, given shifted by -K letters (only the
// last shift polish tries undoes it), is polished back to the planted words.
TEST(PolishPortion, APlantedSignalShiftedAwayComesBack) {
  std::mt19937 rng(7);
  const Case cases[] = {{"one word", "-L8"}, {"word pair", "-L6 -LL4"}, {"protein", "-ACID -L6"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings s;
    case_settings(c, s);
    const char* letters = s.acid ? "acdefghiklmnpqrstvwy" : "acgt";
    const std::string word = random_text(rng, s.l, letters), word2 = random_text(rng, s.l2, letters);
    const int k = s.l / 2, gap = s.smin + 1;
    std::vector<std::string> seqs;
    std::vector<int> planted;
    for (int i = 0; i < 9; ++i) {
      std::string seq = random_text(rng, 60, letters);
      const int q = std::uniform_int_distribution<int>(k, 40)(rng);
      seq.replace(static_cast<std::size_t>(q), word.size(), word);
      if (s.l2 > 0) seq.replace(static_cast<std::size_t>(q + s.l + gap), word2.size(), word2);
      seqs.push_back(seq);
      planted.push_back(s.l2 > 0 ? q * s.S + gap - s.smin : q);
    }
    auto dp = std::make_unique<DataPortion>();
    ASSERT_EQ(load_portion(s, seqs, *dp) & ~EODATA, 0u);
    ClimbSpace sp;
    ASSERT_EQ(prepare_climbs(s, *dp, sp), 0u);
    const SearchEnv env = measure_env(s, *dp);
    std::vector<StartSignal> starts(1);
    starts[0].words = shift_words(sp, planted, -k);
    ASSERT_EQ(measure_words(env, starts[0].words, starts[0].measure), 0u);
    PolishOutcome best;
    std::string err;
    ASSERT_EQ(polish_portion(sp, env, starts, k, best, err), 0u) << err;
    EXPECT_EQ(best.words, Words(planted));
  }
}

}  // namespace
