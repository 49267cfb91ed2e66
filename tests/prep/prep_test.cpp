// prep_test.cpp: korvax-prep against korvax's own reader.
//
// Random FASTA files as the field writes them (wrapped at any width or not,
// LF or CRLF, blank lines, descriptions, any case, gaps, u for t, gzip or
// plain, letters outside the alphabet, more than 256 sequences) go through
// korvax-prep; korvax's reader must then see exactly the sequences of the
// file, after the rule chosen for letters outside the alphabet.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "fasta.hpp"
#include "input/reader.hpp"
#include "prep_output.hpp"
#include "prep_plan.hpp"
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
    gzFile g = gzopen(in_path.c_str(), rng() % 2 == 0 ? "wb" : "wbT");  // gzip or plain
    gzwrite(g, c.text.data(), static_cast<unsigned>(c.text.size()));
    gzclose(g);
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
        got_seqs.push_back(dp.seq_of(i));
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

}  // namespace
