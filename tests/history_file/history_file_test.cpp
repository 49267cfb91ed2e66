// history_file_test.cpp: the history file written by korvax's writer for
// random records (one word, word pairs, both strands) and read back by the
// companions' reader beside it: every row and figure. (A cut history is
// refused in polish_e2e.py.)
#include "history_file/history_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "config/cmdline.hpp"
#include "history_file/history_writer.hpp"
#include "word_index.hpp"
#include "test_support.hpp"

namespace {

// The letters of a word as read on its strand, from the sequence as given:
// on the reverse strand the complement of the given letters, right to left.
std::string on_strand(const std::string& given, int start, int len, char sign) {
  std::string w = given.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(len));
  if (sign != '-') return w;
  std::reverse(w.begin(), w.end());
  for (char& c : w) c = c == 'a' ? 't' : c == 't' ? 'a' : c == 'c' ? 'g' : 'c';
  return w;
}

// Both words of a pair on one strand. (word_usable lets a pair whose gap
// holds the junction through; korvax's readers refuse such a pair.)
bool one_strand(const DataPortion& dp, const Settings& s, int i, int w) {
  const WordPlace p = decode_word(w, s.l, s.l2, s.smin, s.S);
  const int len = dp.strand_len[static_cast<std::size_t>(i)];
  return !s.both_strands || s.l2 == 0 || strand_place(p.q, s.l, len).sign == strand_place(p.p2, s.l2, len).sign;
}

TEST(HistoryFile, RandomRecordsReadBack) {
  std::mt19937 rng(21);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 60; ++round) {
    Settings s;
    s.l = pick(3, 7);
    if (round % 2 == 1) {
      s.l2 = pick(2, 5);
      s.smin = pick(0, 4);
      s.smax = s.smin + pick(0, 4);
      std::snprintf(s.pen_text, sizeof s.pen_text, "1,2,3,4,5");
    }
    s.both_strands = round % 4 >= 2;
    ASSERT_EQ(derive_settings(s), 0u);
    std::vector<std::string> seqs;
    const int n = pick(2, 6);
    for (int i = 0; i < n; ++i) seqs.push_back(random_text(rng, pick(s.l + s.l2 + s.smax + 4, 40)));
    DataPortion dp;
    ASSERT_EQ(load_portion(s, seqs, dp) & ERDATA, 0u);

    // P records, each followed by a Q-list of 0..2, serials in sending order.
    RecordList records;
    int serial = 0;
    for (int p = 0; p < pick(1, 3); ++p) {
      PermRecord* last = nullptr;
      for (int q = -1; q < pick(0, 2); ++q) {
        std::vector<int> perm = identity(n), words, sums;
        std::shuffle(perm.begin(), perm.end(), rng);
        int power = 0;
        for (int i = 0; i < n; ++i) {
          int w = pick(0, 5) == 0 ? (pick(0, 1) == 0 ? dp.mw : -1) : pick(0, dp.mw - 1);
          while (w >= 0 && w != dp.mw && !(word_usable(dp, s, i, w) && one_strand(dp, s, i, w))) w = pick(0, dp.mw - 1);
          power += w >= 0 && w != dp.mw;
          words.push_back(w);
          sums.push_back(pick(0, 300));
        }
        PermRecord& r = add_result_record(records, p, q, serial++, perm, words, sums, pick(0, 9999), pick(0, 9999), power);
        r.new_words = pick(0, 20);
        if (q == 0) records.plist_last->q_link = &r;
        if (q > 0) last->chain_next = &r;
        if (q >= 0) last = &r;
      }
    }
    MemFile out;
    ReportEnv env;
    env.set = &s;
    env.dp = &dp;
    env.records = &records;
    Out o{out.f};
    env.history = &o;
    ASSERT_EQ(write_history(env), 0u);
    const std::string text = out.text();

    HistoryFile h;
    ResultError err;
    ASSERT_EQ(read_history_file(TextIn(text).f, s.l, s.l2, h, err), 0u) << err.line << ": " << err.what << "\n" << text;
    ASSERT_EQ(h.portions.size(), 1u);
    const HistoryPortion& hp = h.portions[0];
    EXPECT_EQ(check_history_rows(hp, serial, err), 0u) << err.what;
    ASSERT_EQ(hp.names.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) EXPECT_EQ(hp.names[static_cast<std::size_t>(i)], "s" + std::to_string(i + 1));
    std::size_t rows = 0;
    for (const PermRecord* r = records.first.get(); r; r = r->next.get(), ++rows) {
      const auto found = std::find_if(hp.rows.begin(), hp.rows.end(), [&](const HistoryRow& x) { return x.serial == r->serial; });
      ASSERT_NE(found, hp.rows.end());
      const HistoryRow& row = *found;
      EXPECT_EQ(std::vector<int>({row.p_index, row.q_index, row.power, row.new_words, row.quality, row.avg_proximity}),
                std::vector<int>({r->p_index, r->q_index, r->power, r->new_words, r->quality, r->avg_proximity}));
      for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(row.perm[k], r->perm[k] + 1);
        const HistoryWord& w = row.words[k];
        EXPECT_EQ(std::vector<int>({w.prox_sum, w.average}), std::vector<int>({r->prox_sums[k], r->percents[k]}));
        const int word = r->words[k];
        ASSERT_EQ(w.has_word, word >= 0 && word != dp.mw) << text;
        if (!w.has_word) continue;
        EXPECT_EQ(w.strand != 0, s.both_strands);
        EXPECT_EQ(lower(w.word), on_strand(seqs[k], w.start, s.l, w.strand)) << text;
        if (s.l2 != 0) {
          EXPECT_EQ(lower(w.word2), on_strand(seqs[k], w.start2, s.l2, w.strand)) << text;
        }
      }
    }
    EXPECT_EQ(rows, hp.rows.size());
  }
}

}  // namespace
