// polish_test.cpp: the climb of korvax-polish against korvax's own measure on
// random portions; a planted signal shifted by one comes back; korvax's
// history file read back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "config/cmdline.hpp"
#include "polish/polish_portion.hpp"
#include "report/report.hpp"
#include "results/history_file.hpp"
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

// korvax's own history writer, on random records of one-word and word-pair
// portions, read back field by field.
TEST(HistoryFile, KorvaxsHistoryReadsBack) {
  std::mt19937 rng(11);
  for (const int l2 : {0, 3}) {
    Settings s = make_settings(4, l2);
    std::vector<std::string> seqs;
    for (int i = 0; i < 5; ++i) seqs.push_back(random_text(rng, 30 + 3 * i));
    auto dp = std::make_unique<DataPortion>();
    ASSERT_EQ(load_portion(s, seqs, *dp) & ~EODATA, 0u);
    RecordList records;
    for (int serial = 0; serial < 6; ++serial) {
      std::vector<int> perm, words, sums;
      for (int i = 0; i < dp->n; ++i) {
        perm.push_back((i + serial) % dp->n);
        int w = dp->mw;
        while (w == dp->mw && rng() % 5 != 0) {
          w = static_cast<int>(rng() % static_cast<unsigned>(dp->mw));
          if (!word_fits(w, dp->len[static_cast<std::size_t>(i)], s.l, s.l2, s.smin, s.S)) w = dp->mw;
        }
        words.push_back(w);
        sums.push_back(w == dp->mw ? 0 : static_cast<int>(rng() % 90));
      }
      add_result_record(records, serial, -1, serial, perm, words, sums, static_cast<int>(rng() % 9000),
                        static_cast<int>(rng() % 900), static_cast<int>(rng() % 6));
    }
    TempDir dir;
    const std::string path = dir.file("h.csv");
    std::FILE* f = std::fopen(path.c_str(), "w");
    ReportEnv env{&s, dp.get(), &records, 5, nullptr, nullptr, f};
    ASSERT_EQ(write_history(env), 0u);
    ASSERT_EQ(write_history(env), 0u);  // a second portion
    std::fclose(f);

    HistoryFile h;
    ResultError err;
    ASSERT_EQ(read_history_path(path.c_str(), s.l, s.l2, h, err), 0u) << err.line << ": " << err.what;
    ASSERT_EQ(h.portions.size(), 2u);
    ASSERT_EQ(h.portions[1].rows.size(), 6u);
    const PermRecord* r = records.first.get();
    for (const HistoryRow& row : h.portions[1].rows) {
      EXPECT_EQ(row.serial, r->serial);
      EXPECT_EQ(row.quality, r->quality);
      EXPECT_EQ(row.avg_proximity, r->avg_proximity);
      EXPECT_EQ(row.power, r->power);
      for (int i = 0; i < dp->n; ++i) {
        const HistoryWord& w = row.words[static_cast<std::size_t>(i)];
        const int word = r->words[static_cast<std::size_t>(i)];
        const WordPlace pl = decode_word(word, s.l, s.l2, s.smin, s.S);
        EXPECT_EQ(w.has_word, word != dp->mw);
        EXPECT_EQ(w.start, pl.q + 1);
        if (w.has_word) {
          EXPECT_EQ(w.word, std::string(dp->seq_of(i) + pl.q, static_cast<std::size_t>(s.l)));
          EXPECT_EQ(w.spacing, l2 != 0 ? pl.gap : 0);
        }
        EXPECT_EQ(w.prox_sum, r->prox_sums[static_cast<std::size_t>(i)]);
        EXPECT_EQ(w.average, r->percents[static_cast<std::size_t>(i)]);
        EXPECT_EQ(row.perm[static_cast<std::size_t>(i)], r->perm[static_cast<std::size_t>(i)] + 1);
      }
      r = r->next.get();
    }
  }
}

}  // namespace
