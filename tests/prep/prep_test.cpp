// prep_test.cpp: korvax-prep against korvax's own reader.
//
// Random FASTA files as the field writes them (wrapped at any width or not,
// LF or CRLF, blank lines, descriptions, any case, gaps, u for t, gzip or
// plain or several gzip members, letters outside the alphabet, more than 256
// sequences) go through korvax-prep; korvax's reader must then see exactly
// the sequences of the file, after the rule chosen for letters outside the
// alphabet, and the map must give where each sequence stands in its record.
#include <gtest/gtest.h>
#include <zlib.h>

#include <csignal>
#include <sstream>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "export/origin_map.hpp"
#include "fasta.hpp"
#include "input/reader.hpp"
#include "prep_output.hpp"
#include "prep_plan.hpp"
#include "run_prep.hpp"
#include "test_support.hpp"

namespace {

const char* alphabet(bool acid) { return acid ? "acdefghiklmnpqrstvwy" : "acgt"; }

struct Case {
  std::string text;                 // the file
  std::vector<std::string> names;   // of every record
  std::vector<std::string> folded;  // every record's letters as korvax holds them
};

// One file: n records of 0 to 150 letters, some with letters outside the alphabet.
Case random_case(std::mt19937& rng, bool acid, int n) {
  const auto coin = [&](int in) { return static_cast<int>(rng() % static_cast<unsigned>(in)) == 0; };
  Case c;
  const std::string eol = coin(2) ? "\r\n" : "\n";
  const int width = coin(3) ? 1 << 20 : 1 + static_cast<int>(rng() % 80);
  const char* foreign = acid ? "xb*" : "nry";
  const int foreign_rate = coin(2) ? 1 << 30 : 60;  // one letter in that many, in half of the files
  for (int i = 0; i < n; ++i) {
    const int len = coin(40) ? 0 : 1 + static_cast<int>(rng() % 150);
    std::string folded = random_text(rng, len, alphabet(acid));
    for (char& x : folded)
      if (coin(foreign_rate)) x = foreign[rng() % 3];
    c.names.push_back("r" + std::to_string(i) + (coin(4) ? "|gb.1" : ""));
    c.folded.push_back(folded);
    c.text += ">" + c.names.back() + (coin(2) ? " a description" : "") + eol;
    int column = 0;
    for (const char x : folded) {
      if (coin(30)) c.text += "-";
      const char w = !acid && x == 't' && coin(4) ? 'u' : x;
      c.text += coin(2) ? static_cast<char>(std::toupper(w)) : w;
      if (++column % width == 0) c.text += eol;
    }
    if (column % width != 0 || coin(2)) c.text += eol;
    if (coin(5)) c.text += eol;
  }
  return c;
}

// The longest part without foreign letters, the first of equal ones.
std::string longest_part(const std::string& s, bool acid) {
  std::string best;
  for (std::size_t j = 0, end = 0; j < s.size(); j = end + 1) {
    end = std::min(s.find_first_not_of(alphabet(acid), j), s.size());
    if (end - j > best.size()) best = s.substr(j, end - j);
  }
  return best;
}

TEST(Prep, KorvaxReadsExactlyTheSequencesOfTheFasta) {
  std::mt19937 rng(20240611);
  int written = 0, refused = 0, split = 0;
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const bool acid = rng() % 3 == 0;
    const int n = rng() % 8 == 0 ? 250 + static_cast<int>(rng() % 60) : 1 + static_cast<int>(rng() % 12);
    const Case c = random_case(rng, acid, n);
    PrepOptions opt;
    opt.alphabet = acid ? AlphabetChoice::protein : rng() % 2 ? AlphabetChoice::dna : AlphabetChoice::guess;
    opt.ambiguous = static_cast<AmbiguousRule>(rng() % 3);
    opt.split = rng() % 2 == 0;
    opt.keep_case = rng() % 2 == 0;  // korvax reads any case

    // What korvax must see, by the rule for foreign letters.
    std::vector<std::string> names, seqs;
    bool refuse = false;
    for (std::size_t i = 0; i < c.folded.size(); ++i) {
      std::string s = c.folded[i];
      if (s.find_first_not_of(alphabet(acid)) != std::string::npos) {
        if (opt.ambiguous == AmbiguousRule::refuse) refuse = true;
        if (opt.ambiguous == AmbiguousRule::drop) continue;
        if (opt.ambiguous == AmbiguousRule::cut) s = longest_part(s, acid);
      }
      if (s.empty()) continue;
      names.push_back(c.names[i]);
      seqs.push_back(s);
    }
    refuse = refuse || seqs.size() < 2 || (seqs.size() > 256 && !opt.split);

    TempDir dir;
    const std::string in_path = dir.file("in.fa");
    // Plain, or gzip in one to three members (as `cat a.gz b.gz` makes them).
    const int members = static_cast<int>(rng() % 4);
    std::size_t from = 0;
    for (int m = 0; m < std::max(members, 1); ++m) {
      const std::size_t to = m + 1 >= members ? c.text.size() : from + rng() % (c.text.size() - from + 1);
      gzFile g = gzopen(in_path.c_str(), m > 0 ? "ab" : members > 0 ? "wb" : "wbT");
      gzwrite(g, c.text.data() + from, static_cast<unsigned>(to - from));
      gzclose(g);
      from = to;
    }
    FastaInput in;
    std::string error;
    ASSERT_EQ(read_fasta(in_path.c_str(), in, error), 0u) << error;
    PrepPlan plan;
    const Status st = make_plan(in, opt, plan);
    ASSERT_EQ(st, refuse ? ERDATA : 0u);
    if (refuse) {
      ++refused;
      continue;
    }
    ++written;
    split += plan.portions.size() > 1;

    // The map: each sequence is its record's letters from the offset on.
    MemFile map;
    ASSERT_EQ(write_origin_map(map.f, plan), 0u);
    std::istringstream rows(map.text());
    std::string row;
    std::getline(rows, row);
    for (std::size_t i = 0; std::getline(rows, row); ++i) {
      std::istringstream fields(row);
      std::string portion, number, name, record;
      std::size_t offset = 0, length = 0, kept = 0;
      fields >> portion >> number >> name >> record >> offset >> length >> kept;
      ASSERT_LT(i, seqs.size());
      const auto k = static_cast<std::size_t>(std::find(c.names.begin(), c.names.end(), record) - c.names.begin());
      ASSERT_LT(k, c.names.size());
      EXPECT_EQ(name, names[i]);
      EXPECT_EQ(length, c.folded[k].size());
      EXPECT_EQ(kept, seqs[i].size());
      EXPECT_EQ(c.folded[k].substr(offset, seqs[i].size()), seqs[i]);
    }

    std::FILE* out = std::tmpfile();
    ASSERT_EQ(write_korvax_input(out, plan), 0u);
    std::rewind(out);
    Settings set = make_settings(1);
    set.acid = acid;
    std::vector<std::string> got_names, got_seqs;
    Status run = 0;
    for (;;) {
      DataPortion dp;
      const Status ps = read_portion(out, set, dp, run);
      if (dp.n == 0) break;
      EXPECT_EQ(ps & ERDATA, 0u);
      for (int i = 0; i < dp.n; ++i) {
        got_names.push_back(dp.name_of(i));
        got_seqs.push_back(lower(dp.seq_of(i)));
      }
    }
    std::fclose(out);
    EXPECT_EQ(run, 0u);
    EXPECT_EQ(got_names, names);
    EXPECT_EQ(got_seqs, seqs);
  }
  // Every path was taken.
  EXPECT_GT(written, 100);
  EXPECT_GT(refused, 50);
  EXPECT_GT(split, 5);
}

// A stop signal while the output is written: neither the output nor its
// map is replaced, and no temporary file is left. The signal is held
// pending here (blocked before the run), so the run returns instead of
// ending the process.
TEST(Prep, StopSignalLeavesTheOldOutput) {
  TempDir dir;
  const std::string in = dir.write("in.fa", ">a\nacgt\n>b\nacgt\n");
  const std::string out = dir.write("out.seq", "old\n");
  sigset_t term, old;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  ASSERT_EQ(sigprocmask(SIG_BLOCK, &term, &old), 0);
  ASSERT_EQ(raise(SIGTERM), 0);
  const char* argv[] = {"korvax-prep", "-o", out.c_str(), in.c_str()};
  const Status st = run_prep(4, argv);
  int sig = 0;
  sigwait(&term, &sig);
  sigprocmask(SIG_SETMASK, &old, nullptr);
  EXPECT_EQ(st, ERIO);
  EXPECT_EQ(dir.read("out.seq"), "old\n");
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2);  // in.fa and out.seq: no map, no temporary file

  // Without the signal the same run replaces both.
  EXPECT_EQ(run_prep(4, argv), 0u);
  EXPECT_EQ(dir.read("out.seq"), ">a\nacgt\n>b\nacgt\n");
  EXPECT_EQ(dir.read("out.seq.map"), "#portion\tsequence\tname\trecord\toffset\tlength\tkept\n1\t1\ta\ta\t0\t4\t4\n1\t2\tb\tb\t0\t4\t4\n");
}

// korvax-export's side of the map: read and checked against the input and
// the sites. (Where the sites then stand in the records is checked end to
// end: tests/e2e/prep_test.cpp, CutSequencesExportInTheRecordsPositions.)
TEST(Prep, MapMovesSitesOrIsRefused) {
  const std::string head = "#portion\tsequence\tname\trecord\toffset\tlength\tkept\n";
  const std::string good = head + "1\t1\ta\trec a\t5\t40\t30\n1\t2\tb_2\tb\t0\t12\t12\n";
  const struct {
    std::string map;                     // "": no map
    std::vector<std::string> names;      // of the input's portion 1
    std::size_t len2;                    // letters of its sequence 2
    Status want;
    std::string err_has;
  } cases[] = {
      {"", {"a", "b_2"}, 12, 0, ""},
      {good, {"a", "b_2"}, 12, 0, ""},
      {good, {"a", "b"}, 12, ERDATA, "sequence 2 is named 'b', not 'b_2'"},
      {good, {"a"}, 12, ERDATA, "holds another count of sequences"},
      {good, {"a", "b_2"}, 13, ERDATA, "sequence 2 has 13 letters, not 12"},
      {head + "1\t1\ta\ta\t0\t30\t30\n1\t2\tb_2\tb\t0\t11\t11\n", {"a", "b_2"}, 11, ERDATA,
       "a word ends at 12 of a record of 11"},
      {head + "1\t2\ta\ta\t0\t30\t30\n", {"a"}, 12, ERDATA, "in.seq.map: line 2: not a line of korvax-prep's map"},
      {head + "1\t1\ta\ta\t1\t30\t30\n", {"a"}, 12, ERDATA, "line 2"},
      {head + "1\t1\ta\ta\t-1\t30\t30\n", {"a"}, 12, ERDATA, "line 2"},
      {head + "1\t1\ta\ta\t0\t30\n", {"a"}, 12, ERDATA, "line 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.map);
    TempDir dir;
    const std::string input = dir.file("in.seq");
    if (!c.map.empty()) dir.write("in.seq.map", c.map);
    ExportPortion p;
    p.number = 1;
    ExportSite one, pair;
    one.seq = 1, one.name = "a", one.start = 3, one.end = 8;
    pair.seq = 2, pair.name = "b_2", pair.start = 1, pair.end = 4, pair.start2 = 7, pair.end2 = 12;
    p.sites = {one, pair};
    OriginMap map;
    std::string err;
    Status st = read_origin_map(input.c_str(), map, err);
    const std::vector<std::string> letters = {std::string(30, 'a'), std::string(c.len2, 'c')};
    if (st == 0) st = apply_origin_map(map, c.names, letters, p, err);
    EXPECT_EQ(st, c.want);
    EXPECT_NE(err.find(c.err_has), std::string::npos) << err;
  }
}

}  // namespace
