// strands_test.cpp: both strands (-RC) and masked letters (-K) on planted
// sets, whole runs with the fixed coin: what each option gains.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace {

struct Planted {
  int place = 0;   // 1-based, the leftmost letter on the given strand
  char sign = 0;   // '+', '-', or 0 without --strands
  std::string letters;  // the sequence
};

struct Site {
  int place = 0;
  char sign = 0;
  std::string word;  // as printed: read on its strand
};

// The sequences written by korvax-planted: "seqK planted at P[+-]" titles.
std::vector<Planted> read_planted(const std::string& fasta) {
  std::vector<Planted> out;
  std::istringstream in(fasta);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line[0] != '>') {
      out.back().letters = line;
      continue;
    }
    Planted p;
    const std::size_t at = line.find(" planted at ");
    if (at != std::string::npos) {
      p.place = std::atoi(line.c_str() + at + 12);
      const char last = line.back();
      p.sign = last == '+' || last == '-' ? last : 0;
    }
    out.push_back(p);
  }
  return out;
}

// The words of the best quality signal in a result file, by sequence number
// (1-based); a sequence without a word is absent.
std::map<int, Site> best_signal(const std::string& result) {
  std::map<int, Site> out;
  const std::size_t from = result.find("Best quality result #1 [");
  if (from == std::string::npos) return out;
  std::istringstream in(result.substr(from, result.find("\n\n", from) - from));
  std::string line;
  std::getline(in, line);  // the title
  while (std::getline(in, line)) {
    const std::size_t colon = line.find(':'), open = line.find('['), close = line.find("] ");
    if (colon == std::string::npos || open == std::string::npos || close == std::string::npos ||
        line.find_first_not_of(" 0123456789") != colon)
      continue;
    Site s;
    s.place = std::atoi(line.c_str() + open + 1);
    const char c = line[close - 1];
    s.sign = c == '+' || c == '-' ? c : 0;
    s.word = line.substr(close + 2, line.find(" (", close) - close - 2);
    out[std::atoi(line.c_str())] = s;
  }
  return out;
}

std::string reverse_complement(const std::string& w) {
  std::string r;
  for (auto c = w.rbegin(); c != w.rend(); ++c) {
    const char u = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    r += u == 'a' ? 't' : u == 'c' ? 'g' : u == 'g' ? 'c' : 'a';
  }
  return r;
}

int agreeing(const std::string& a, const std::string& b) {
  int k = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) k += a[i] == b[i];
  return k;
}

std::string planted_command([[maybe_unused]] const std::string& args) {
#ifdef KORVAX_PLANTED_BIN
  return std::string("'") + KORVAX_PLANTED_BIN + "' " + args;
#else
  return "";
#endif
}

// A motif planted on a random strand per sequence (an asymmetric one, so
// that one strand alone cannot find both groups): both strands find every
// sequence at its planted place, on its planted strand (or every sequence on
// the other one: the signal read on the reverse strand is the same signal),
// each word printed as read on its strand. (What one strand finds is fixed
// by every golden run.)
TEST(Strands, BothStrandsFindTheMotifOnEitherStrand) {
  if (planted_command("").empty()) GTEST_SKIP() << "korvax-planted not built (KORVAX_BENCH off)";
  Workdir wd;
  const int n = 10, word = 12;
  ASSERT_EQ(run_shell(wd, planted_command("--strands 10 150 12 4 1 > in.fa")).exit_code, 0);
  const std::vector<Planted> planted = read_planted(wd.read("in.fa"));
  ASSERT_EQ(static_cast<int>(planted.size()), n);
  int minus = 0;
  for (const Planted& p : planted) minus += p.sign == '-';
  ASSERT_GE(minus, 3);  // the seed gives both groups a few sequences
  ASSERT_LE(minus, n - 3);
  // An asymmetric motif: a copy and its reverse complement agree little.
  const std::string copy = planted[0].letters.substr(static_cast<std::size_t>(planted[0].place - 1), word);
  ASSERT_LE(agreeing(copy, reverse_complement(copy)), word / 2) << copy;

  const RunResult both = run_korvax(wd, 2, {"-L12", "-U20", "-RC", "-F", "in.fa", "both.out"});
  ASSERT_EQ(both.exit_code, 0) << both.err;
  const std::string result = wd.read("both.out");
  EXPECT_TRUE(contains(result, "strands=both  ")) << "the parameters line";
  const std::map<int, Site> found = best_signal(result);
  ASSERT_EQ(static_cast<int>(found.size()), n) << result;
  const bool flipped = found.begin()->second.sign != planted[0].sign;
  const std::string history = wd.read("in.fa.csv");
  for (const auto& [i, s] : found) {
    const Planted& p = planted[static_cast<std::size_t>(i - 1)];
    EXPECT_EQ(s.place, p.place) << "seq" << i;
    EXPECT_EQ(s.sign == p.sign, !flipped) << "seq" << i;
    const std::string given = p.letters.substr(static_cast<std::size_t>(s.place - 1), word);
    EXPECT_EQ(lower(s.word), s.sign == '+' ? lower(given) : reverse_complement(given)) << "seq" << i;
    EXPECT_TRUE(contains(history, "\t" + std::to_string(s.place) + s.sign + "\t\"")) << "seq" << i;
  }
}

// Soft-masked repeats: an exact ten-letter repeat in lower case once in
// every sequence, the planted motif (a letter changed) in upper case, and in
// the last sequence the motif masked too. Case ignored, the repeat wins;
// with -K no word holds a masked letter, and the motif wins wherever it is
// not masked.
TEST(Strands, MaskedRepeatsLeftOut) {
  if (planted_command("").empty()) GTEST_SKIP() << "korvax-planted not built (KORVAX_BENCH off)";
  Workdir wd;
  const int n = 8, word = 10;
  ASSERT_EQ(run_shell(wd, planted_command("8 150 10 6 1 > planted.fa")).exit_code, 0);
  std::vector<Planted> planted = read_planted(wd.read("planted.fa"));
  ASSERT_EQ(static_cast<int>(planted.size()), n);
  const std::string repeat = "gattacagcc";
  std::vector<int> repeat_at;
  std::string text;
  for (int i = 0; i < n; ++i) {
    Planted& p = planted[static_cast<std::size_t>(i)];
    for (char& c : p.letters) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    repeat_at.push_back(p.place <= 70 ? 101 : 21);
    p.letters.replace(static_cast<std::size_t>(repeat_at.back() - 1), repeat.size(), repeat);
    if (i == n - 1)
      for (int k = 0; k < word; ++k) p.letters[static_cast<std::size_t>(p.place - 1 + k)] += 'a' - 'A';
    text += ">s" + std::to_string(i + 1) + "\n" + p.letters + "\n";
  }
  wd.write("in.fa", text);

  const RunResult plain = run_korvax(wd, 2, {"-L10", "-U20", "in.fa", "plain.out"});
  ASSERT_EQ(plain.exit_code, 0) << plain.err;
  const std::map<int, Site> won = best_signal(wd.read("plain.out"));
  ASSERT_EQ(static_cast<int>(won.size()), n);
  for (const auto& [i, s] : won) EXPECT_EQ(s.place, repeat_at[static_cast<std::size_t>(i - 1)]) << "s" << i;

  const RunResult masked = run_korvax(wd, 2, {"-L10", "-U20", "-K", "in.fa", "masked.out"});
  ASSERT_EQ(masked.exit_code, 0) << masked.err;
  const std::string result = wd.read("masked.out");
  EXPECT_TRUE(contains(result, "masked=lower  ")) << "the parameters line";
  const std::map<int, Site> found = best_signal(result);
  EXPECT_GE(static_cast<int>(found.size()), n - 1);
  for (const auto& [i, s] : found) {
    const Planted& p = planted[static_cast<std::size_t>(i - 1)];
    const std::string letters = p.letters.substr(static_cast<std::size_t>(s.place - 1), word);
    EXPECT_EQ(letters.find_first_of("acgt"), std::string::npos) << "s" << i << " holds a masked letter";
    if (i < n) { EXPECT_EQ(s.place, p.place) << "s" << i; }
  }
}

}  // namespace
