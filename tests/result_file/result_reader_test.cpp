// result_file_test.cpp: korvax's own report, written for random records and
// portions at every level, read back; files that are not korvax results
// refused. (Real runs, skipped portions among them, are read back by
// export_e2e.py and polish_e2e.py.)
#include "result_file/result_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <sstream>

#include "config/cmdline.hpp"
#include "input/reader.hpp"
#include "alphabet.hpp"
#include "proximity/background.hpp"
#include "result_file/report_writer.hpp"
#include "test_support.hpp"

namespace {

std::string cut_name(const std::string& name, int W) {
  std::string s = name.substr(0, static_cast<std::size_t>(W));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// One random portion with its reported records, written as korvax writes it.
struct WrittenPortion {
  Settings set;
  DataPortion dp;
  RecordList records;
  std::map<int, const PermRecord*> by_serial;
  std::map<int, std::pair<int, int>> figures;  // quality, avg proximity by serial (the report takes them out)
  std::vector<std::string> names;
};

// background and acid: the run's -BG and -ACID (one alphabet per run, as korvax writes).
void make_portion(std::mt19937& rng, int diag, WrittenPortion& w, int background = 0, bool acid = false) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Settings& s = w.set;
  s.l = pick(3, 8);
  if (pick(0, 1) == 1) {
    s.l2 = pick(2, 5);
    s.smin = pick(0, 5);
    s.smax = s.smin + pick(0, 4);
    std::snprintf(s.pen_text, sizeof s.pen_text, "1,2,3,4,5");
  }
  s.diag_level = diag;
  s.name_width_limit = pick(0, 1) * 4;
  s.background = background;   // -BG1: the weights end the parameters lines
  s.acid = acid;
  ASSERT_EQ(derive_settings(s), 0u);
  const int n = pick(2, 7);
  // Some letters of the alphabet (absent letters get their weight too), skewed
  // towards one of them: weights at every extreme.
  const std::string alphabet = alphabet_letters(s.acid);
  std::string letters = alphabet.substr(0, static_cast<std::size_t>(pick(1, static_cast<int>(alphabet.size()))));
  letters += std::string(static_cast<std::size_t>(pick(0, 30)), letters[0]);
  std::string text;
  for (int i = 0; i < n; ++i) {
    std::string name = pick(0, 4) == 0 ? "" : random_text(rng, pick(1, 9), "ab [](x)1 :");
    w.names.push_back(name);
    text += ">" + name + "\n" + random_text(rng, pick(s.l + s.l2 + s.smax + 2, 40), letters.c_str()) + "\n";
  }
  Status run = 0;
  ASSERT_EQ(read_portion(TextIn(text).f, s, w.dp, run) & ERDATA, 0u);
  for (int serial = 0; serial < pick(1, 5); ++serial) {
    std::vector<int> perm, words, sums;
    int power = 0;
    for (int i = 0; i < n; ++i) {
      perm.push_back((i + serial) % n);
      const int len = w.dp.len[static_cast<std::size_t>(i)];
      int word = w.dp.mw;
      if (pick(0, 4) == 0) word = pick(0, 1) == 0 ? w.dp.mw : -1;
      else if (s.l2 == 0) word = pick(0, len - s.l);
      else {
        const int gap = pick(s.smin, s.smax);
        word = pick(0, len - s.l - gap - s.l2) * s.S + gap - s.smin;
      }
      power += word >= 0 && word != w.dp.mw;
      words.push_back(word);
      sums.push_back(pick(-5, 200));
    }
    const int quality = pick(1, 9999), avg = pick(1, 9999);
    w.figures[serial] = {quality, avg};
    w.by_serial[serial] = &add_result_record(w.records, serial, -1, serial, perm, words, sums, quality, avg, power);
  }
}

// korvax's report of random portions at every level, read back: every block,
// every line, every figure.
TEST(ResultFile, ReportOfRandomPortionsReadsBack) {
  std::mt19937 rng(9);
  for (int round = 0; round < 120; ++round) {
    const int diag = round % 3;
    std::vector<std::unique_ptr<WrittenPortion>> portions;
    MemFile out;
    for (int k = 0; k < 1 + round % 3; ++k) {
      auto w = std::make_unique<WrittenPortion>();
      make_portion(rng, diag, *w, round / 3 % 2, round % 4 == 3);
      Out o{out.f};
      if (diag > 0) write_parameters(o, w->set, w->dp, 0, 2);
      const ReportEnv env{&w->set, &w->dp, &w->records, 7, nullptr, &o, nullptr};
      for (int place = 1; place <= 3; ++place) ASSERT_EQ(report_best(env, place), 0u);
      portions.push_back(std::move(w));
    }
    const std::string text = out.text();
    ResultFile rf;
    ResultError err;
    ASSERT_EQ(read_result_file(TextIn(text).f, rf, err), 0u) << err.line << ": " << err.what << "\n" << text;
    ASSERT_EQ(rf.runs.size(), 1u);
    const auto& got = rf.runs[0].portions;
    ASSERT_EQ(got.size(), portions.size()) << text;
    for (std::size_t k = 0; k < got.size(); ++k) {
      const ResultPortion& p = got[k];
      EXPECT_EQ(p.number, static_cast<int>(k + 1));
      ASSERT_FALSE(p.skipped);
      const WrittenPortion& w = *portions[k];
      EXPECT_EQ(p.params.known, diag > 0);
      if (diag > 0) {
        EXPECT_EQ(p.params.background, w.set.background);
        EXPECT_EQ(p.params.bg_acid, w.set.background == 1 && w.set.acid);
        EXPECT_TRUE(std::equal(std::begin(p.params.bg_weight), std::end(p.params.bg_weight), std::begin(w.dp.derived.bg_weight)));
        if (w.set.background == 1) { EXPECT_EQ(rf.runs[0].acid, w.set.acid) << "the weights tell the alphabet"; }
      }
      ASSERT_FALSE(p.results.empty());
      bool shown = false;
      for (const ReportedResult& r : p.results) {
        const PermRecord& rec = *w.by_serial.at(r.serial);
        const auto [quality, avg] = w.figures.at(r.serial);
        EXPECT_EQ(std::vector<int>({r.sent, r.power, r.quality, r.avg_proximity, r.has_perm}),
                  std::vector<int>({8, rec.power, quality, avg, diag > 1}));
        std::vector<int> perm;  // printed 1-based, at level 2 and above
        for (int i = 0; r.has_perm && i < rec.n; ++i) perm.push_back(rec.perm[static_cast<std::size_t>(i)] + 1);
        EXPECT_EQ(r.perm, perm);
        std::size_t line = 0;
        for (int i = 0; i < rec.n; ++i) {
          const int word = rec.words[static_cast<std::size_t>(i)];
          if (word < 0) continue;
          ASSERT_LT(line, r.words.size());
          const ReportedWord& rw = r.words[line++];
          EXPECT_EQ(rw.seq, i + 1);
          EXPECT_EQ(rw.name, cut_name(w.names[static_cast<std::size_t>(i)], w.dp.name_width));
          EXPECT_EQ(rw.has_word, word != w.dp.mw);
          if (!rw.has_word) continue;
          shown = true;
          EXPECT_EQ(rw.prox_sum, rec.prox_sums[static_cast<std::size_t>(i)]);
          EXPECT_EQ(rw.average, rec.percents[static_cast<std::size_t>(i)]);
          const std::string seq = w.dp.seq_of(i);
          EXPECT_EQ(rw.word, seq.substr(static_cast<std::size_t>(rw.start - 1), static_cast<std::size_t>(w.set.l)));
          if (w.set.l2 == 0) {
            EXPECT_EQ(rw.start, word + 1);
            continue;
          }
          EXPECT_EQ((rw.start - 1) * w.set.S + rw.spacing - w.set.smin, word);
          EXPECT_EQ(rw.start2, rw.start + w.set.l + rw.spacing);
          EXPECT_EQ(rw.word2, seq.substr(static_cast<std::size_t>(rw.start2 - 1), static_cast<std::size_t>(w.set.l2)));
        }
        EXPECT_EQ(line, r.words.size());
      }
      if (diag > 0 || shown) {  // a report of no word at -D0 cannot tell the word lengths
        EXPECT_EQ(p.l, w.set.l);
        EXPECT_EQ(p.l2, w.set.l2);
      }
    }
  }
}

// Texts that are not korvax results, or whose report is damaged.
TEST(ResultFile, RefusesWhatIsNotAKorvaxResult) {
  const std::string title = "Best quality result #1 [0/6] (power: 2, quality: 38.00, avg proximity: 5.50)\n";
  const std::string line1 = "  1:alpha[0001] ttgaca (17,  5.66)\n";
  const struct {
    std::string text;
    Status status;
    int line;
  } cases[] = {
      {"", ERDATA, 0},
      {"\"#\"\t\"P\"\t\"Q\"\n0\t0\t-1\n", ERDATA, 0},
      {title + line1 + "  2:beta [0003] ttgaca (17,  x)\n", ERDATA, 3},
      {title + line1 + "  2:be [0003] ttgaca (17,  5.66)\n", ERDATA, 3},  // another name width
      {title + line1 + "  2:beta [0003] ttgacaa (17,  5.66)\n\n", ERDATA, 1},  // another word length
      {"Best quality result #1 [0/6] (power: 2, quality: 38.0, avg proximity: 5.50)\n", ERDATA, 1},
      {title + line1 + "  2:beta [0003] ttgaca (17,  5.66)\n\n", 0, 0},
  };
  for (const auto& c : cases) {
    ResultFile rf;
    ResultError err;
    EXPECT_EQ(read_result_file(TextIn(c.text).f, rf, err), c.status) << c.text;
    EXPECT_EQ(err.line, c.line) << c.text << err.what;
    EXPECT_EQ(err.what.empty(), c.status == 0);
  }
}

// korvax's report of random portions, each damaged once in one of the ways
// the second fuzzing round found (a number at an extreme, a foreign letter,
// trailing blanks removed, a line repeated or dropped): the reader returns,
// never throws, and a file it still takes holds only what korvax can write.
TEST(ResultFile, DamagedReportsAreTakenOnlyWithinKorvaxLimits) {
  std::mt19937 rng(31);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* extremes[] = {"0", "-1", "-2147483648", "2147483647", "2147483640", "70", "4096", "99999"};
  int refused = 0, taken = 0;
  for (int round = 0; round < 400; ++round) {
    WrittenPortion w;
    make_portion(rng, 1 + round % 2, w);
    MemFile out;
    Out o{out.f};
    write_parameters(o, w.set, w.dp, 0, 2);
    const ReportEnv env{&w.set, &w.dp, &w.records, 7, nullptr, &o, nullptr};
    for (int place = 1; place <= 2; ++place) ASSERT_EQ(report_best(env, place), 0u);
    std::vector<std::string> lines;
    std::istringstream in(out.text());
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::string& line = lines[static_cast<std::size_t>(pick(0, static_cast<int>(lines.size()) - 1))];
    switch (round % 4) {
      case 0: {  // a number at an extreme
        const std::size_t at = line.find_first_of("0123456789");
        if (at != std::string::npos)
          line.replace(at, line.find_first_not_of("0123456789", at) - at, extremes[pick(0, 7)]);
        break;
      }
      case 1:  // a letter of no alphabet
        if (!line.empty()) line[static_cast<std::size_t>(pick(0, static_cast<int>(line.size()) - 1))] = "x\"\\\t"[pick(0, 3)];
        break;
      case 2:  // an editor that strips trailing blanks
        while (!line.empty() && line.back() == ' ') line.pop_back();
        break;
      default:  // a line repeated
        lines.insert(lines.begin() + pick(0, static_cast<int>(lines.size()) - 1), line);
    }
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    ResultFile rf;
    ResultError err;
    const Status st = read_result_file(TextIn(text).f, rf, err);
    ASSERT_TRUE(st == 0 || st == ERDATA) << text;
    ASSERT_EQ(st != 0, !err.what.empty());
    if (st != 0) {
      ++refused;
      continue;
    }
    ++taken;
    for (const ResultPortion& p : rf.runs.back().portions) {
      ASSERT_TRUE(p.l >= 1 && p.l <= kMaxWordLen) << text;
      for (const ReportedResult& r : p.results) {
        int last = 0;
        for (const ReportedWord& rw : r.words) {
          ASSERT_GT(rw.seq, last) << text;
          last = rw.seq;
          if (!rw.has_word) continue;
          ASSERT_TRUE(rw.start >= 1 && rw.start + p.l - 1 <= kMaxLetters + kMaxWordLen) << text;
          ASSERT_EQ(rw.word.find_first_not_of("acgt"), std::string::npos) << text;
          if (p.l2 != 0) {
            ASSERT_EQ(rw.start2, rw.start + p.l + rw.spacing) << text;
          }
        }
      }
    }
  }
  EXPECT_GT(refused, 100);   // the damage is seen...
  EXPECT_GT(taken, 20);      // ...and harmless changes (a name's letter) pass
}

}  // namespace
