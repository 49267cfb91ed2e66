// polish_test.cpp: the climb of korvax-polish against korvax's own measure on
// random portions; a planted signal shifted by one comes back. (korvax's
// history files of real runs are read back by polish_e2e.py.)
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "config/cmdline.hpp"
#include "polish/polish_portion.hpp"
#include "test_support.hpp"
#include "word_index.hpp"

namespace {

struct Case {
  const char* what;
  int l, l2;
  const char* motif;    // nullptr: none
  const char* motif2;
  int a_bonus, ba, bc, bx;
  bool acid;
};

// Settings of a case, derived as korvax derives them.
void case_settings(const Case& c, Settings& s) {
  s.l = c.l;
  s.l2 = c.l2 > 0 ? c.l2 : -1;
  s.smin = 2;
  s.smax = 4;
  std::strcpy(s.pen_text, "1,0,2");
  if (c.motif) {
    std::strcpy(s.motif, c.motif);
    s.motif_given = true;
  }
  if (c.motif2) {
    std::strcpy(s.motif2, c.motif2);
    s.motif2_given = true;
  }
  s.a_bonus = c.a_bonus;
  s.ba = c.ba;
  s.bc = c.bc;
  s.bx = c.bx;
  s.acid = c.acid;
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
    {"one word", 5, 0, nullptr, nullptr, 1, 3, 1, 1, false},
    {"one word, strict bonuses", 4, 0, nullptr, nullptr, 1, 7, 2, 0, false},
    {"one word, motif", 5, 0, "a.Gtc", nullptr, 2, 3, 1, 1, false},
    {"one word, proximities above a byte", 12, 0, "acgtacgtacgt", nullptr, 30, 3, 1, 1, false},
    {"word pair", 3, 3, nullptr, nullptr, 1, 3, 1, 2, false},
    {"word pair, second motif", 4, 3, nullptr, "gTa", 1, 2, 2, 1, false},
    {"word pair, both motifs", 3, 2, "aCg", "tt", 1, 3, 1, 1, false},
    {"protein", 4, 0, nullptr, nullptr, 1, 3, 1, 1, true},
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
      const int least = c.l + (c.l2 > 0 ? c.l2 + s.smax : 0);
      auto dp = std::make_unique<DataPortion>();
      ASSERT_EQ(load_portion(s, random_portion(rng, n, least, least + 25, c.acid ? "acdefghik" : "acgt"), *dp) & ~EODATA, 0u);
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

// A signal of one word planted in every sequence, given shifted by one
// letter, is polished back to the planted words exactly.
TEST(PolishPortion, APlantedSignalShiftedByOneComesBack) {
  std::mt19937 rng(7);
  const Case cases[] = {{"one word", 8, 0, nullptr, nullptr, 1, 3, 1, 1, false},
                        {"word pair", 6, 4, nullptr, nullptr, 1, 3, 1, 1, false},
                        {"protein", 6, 0, nullptr, nullptr, 1, 3, 1, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings s;
    case_settings(c, s);
    const char* letters = c.acid ? "acdefghiklmnpqrstvwy" : "acgt";
    const std::string word = random_text(rng, c.l, letters), word2 = random_text(rng, c.l2, letters);
    const int gap = s.smin + 1;
    const int span = c.l + (c.l2 > 0 ? gap + c.l2 : 0);
    std::vector<std::string> seqs;
    std::vector<int> planted;
    for (int i = 0; i < 9; ++i) {
      std::string seq = random_text(rng, 60, letters);
      const int q = std::uniform_int_distribution<int>(0, 60 - span)(rng);
      seq.replace(static_cast<std::size_t>(q), word.size(), word);
      if (c.l2 > 0) seq.replace(static_cast<std::size_t>(q + c.l + gap), word2.size(), word2);
      seqs.push_back(seq);
      planted.push_back(c.l2 > 0 ? q * s.S + gap - s.smin : q);
    }
    auto dp = std::make_unique<DataPortion>();
    ASSERT_EQ(load_portion(s, seqs, *dp) & ~EODATA, 0u);
    ClimbSpace sp;
    ASSERT_EQ(prepare_climbs(s, *dp, sp), 0u);
    const SearchEnv env = measure_env(s, *dp);
    std::vector<StartSignal> starts(1);
    starts[0].words = shift_words(sp, planted, 1);
    ASSERT_EQ(measure_words(env, starts[0].words, starts[0].measure), 0u);
    PolishOutcome best;
    std::string err;
    ASSERT_EQ(polish_portion(sp, env, starts, c.l / 2, best, err), 0u) << err;
    EXPECT_EQ(best.words, Words(planted));
  }
}

}  // namespace
