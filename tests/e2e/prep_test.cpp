// prep_test.cpp: the korvax-prep program, from the files users have to the
// exit code, the messages and the korvax input it writes.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness.hpp"

namespace {

// n records of 20 letters, named s0, s1, ...
std::string many(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    text += ">s" + std::to_string(i) + "\n";
    for (int k = 0; k < 20; ++k) text += "acgt"[(i * 7 + k * (i % 5 + 1)) % 4];
    text += "\n";
  }
  return text;
}

struct PrepCase {
  const char* name;
  std::string input;                 // written to in.fa
  std::string cmd;                   // the shell command; $P is korvax-prep
  int exit_code;
  std::vector<std::string> err_has;  // parts of standard error
  std::string out;                   // standard output, exactly
};

TEST(Prep, FilesAsUsersHaveThem) {
  Workdir wd;
  const std::string fa = read_text(source_path("examples/crp0.fa"));
  const std::string seq = lower(read_text(source_path("examples/crp0.seq")));
  ASSERT_FALSE(fa.empty());
  const std::string crp_ok = "18 FASTA records; 18 sequences written in 1 data portion";
  const std::string with_n = ">a one\nacNgt\nacg\n>b\nacgtacgt\n>c\nNNNN\n>d\nacgtNNacgtac\n>e\nacgtt\n";
  const std::vector<PrepCase> cases = {
      {"wrapped at 60 columns", fa, "$P in.fa", 0, {crp_ok, "changed:  1890 letters folded to lower case\n"}, seq},
      {"lower case, LF: nothing changed", seq, "$P in.fa", 0, {"changed:  nothing\n"}, seq},
      {"every change listed", "\xef\xbb\xbf>a\r\nac gt\r\n>b\racgt \r", "$P in.fa", 0,
       {"changed:  2 blanks inside sequence lines left out\n            2 CR LF line ends written as LF\n"
        "            2 CR line ends written as LF\n            1 UTF-8 byte-order mark left out\n"},
       ">a\nacgt\n>b\nacgt\n"},
      {"soft-masked, case kept", ">a\nACgtuUNN\n>b\nacGT\n", "$P -k -a cut in.fa", 0,
       {"1 sequence cut"}, ">a\nACgttT\n>b\nacGT\n"},
      {"standard input, gzip", fa, "gzip -c in.fa | $P -", 0, {"(standard input): " + crp_ok}, seq},
      {"N refused", with_n, "$P in.fa", 2,
       {"in.fa:2: error: sequence 1 'a': 1 letter outside the DNA alphabet (N), the first at position 3\n",
        "in.fa:9: error: sequence 4 'd': 2 letters", "nothing written: 3 errors", "--ambiguous=cut keeps"},
       ""},
      {"N dropped", with_n, "$P --ambiguous=drop in.fa", 0,
       {"in.fa:7: warning: sequence 3 'c': 4 letters outside the DNA alphabet (N), the first at position 1; "
        "left out (--ambiguous=drop)",
        "3 sequences left out for non-DNA letters"},
       ">b\nacgtacgt\n>e\nacgtt\n"},
      {"N cut", with_n, "$P -a cut in.fa", 0,
       {"in.fa:9: warning: sequence 4 'd': 2 letters outside the DNA alphabet (N), the first at position 5; "
        "cut to positions 7..12 (6 letters, --ambiguous=cut)",
        "2 sequences cut to the longest part", "1 sequence left out for non-DNA letters",
        "1 header description left out"},
       ">a\ngtacg\n>b\nacgtacgt\n>d\nacgtac\n>e\nacgtt\n"},
      {"300 sequences refused", many(300), "$P in.fa", 2,
       {"in.fa: error: 300 sequences; korvax reads at most 256 in a data portion (--split writes 2 data portions)"},
       ""},
      {"300 sequences split", many(300), "$P --split -o split.seq in.fa && ls split*", 0,
       {"split into 2 data portions of 150, 150 sequences"}, "split.seq\nsplit.seq.map\n"},
      {"protein guessed", ">p1\nMKVLAAGIVG\nLLLA\n>p2 x\nmkkllptaaagllllaaqpama*\n", "$P -a cut in.fa", 0,
       {"alphabet: protein (guessed", "run korvax with -ACID", "outside the protein alphabet (*)"},
       ">p1\nmkvlaagivgllla\n>p2\nmkkllptaaagllllaaqpama\n"},
      {"FASTQ, u read as t", "@r1 lane 1\nACGU\nAC\n+\nIIII\nII\n\n@r2\nacgttt\n+r2\n@@@@@@\n", "$P in.fa", 0,
       {"2 FASTQ records; 2 sequences written", "1 letter u read as t"}, ">r1\nacgtac\n>r2\nacgttt\n"},
      {"names cut to a width, then equal", ">alpha1\nacgt\n>alpha2\nacgt\n", "$P -w 5 in.fa", 2,
       {"in.fa:1: warning: sequence 1 'alpha1': name cut to 'alpha' (--name-width=5)",
        "in.fa:3: error: sequence 2 'alpha': the name of sequence 1 (line 1) too; korvax's report could not tell"},
       ""},
      {"names cut, made unique within the width", ">alpha1\nacgt\n>alpha2\nacgt\n", "$P -w 5 -u in.fa", 0,
       {"in.fa:3: warning: sequence 2 'alpha': the name of sequence 1 (line 1) too; written as 'alp_2'"},
       ">alpha\nacgt\n>alp_2\nacgt\n"},
      {"JASPAR headers: duplicates refused", ">seq one\nacgt\n>seq two\nacgt\n>seq_2\nacgt\n", "$P in.fa", 2,
       {"in.fa:3: error: sequence 2 'seq': the name of sequence 1 (line 1) too", "nothing written: 1 error"}, ""},
      {"JASPAR headers: --unique-names", ">seq one\nacgt\n>seq two\nacgt\n>seq_2\nacgt\n", "$P -u in.fa", 0,
       {"written as 'seq_3' (--unique-names)", "1 duplicate name made unique"}, ">seq\nacgt\n>seq_3\nacgt\n>seq_2\nacgt\n"},
      {"zero bytes in names", std::string(">ab\0cd\nacgt\n>ab\0ef\nacgt\n", 20), "$P in.fa", 2,
       {"in.fa:1: error: sequence 1 'ab...': a zero byte in the name (character 3)", "in.fa:3: error: sequence 2"}, ""},
      {"plain text after gzip members", many(3),
       "gzip -c in.fa > m.gz; gzip -c in.fa >> m.gz; printf '>p\\nacgt\\n' >> m.gz; $P m.gz", 4,
       {"korvax-prep: m.gz: damaged gzip data: the bytes from offset ", " on are not gzip data"}, ""},
      {"standard output full", fa, "$P in.fa > /dev/full", 4,
       {"korvax-prep: cannot write the standard output: No space left on device",
        "18 FASTA records; nothing written: the output could not be written"}, ""},
      {"-o a symbolic link: the link stays, its file is replaced", ">a\nacgt\n>b\nacgt\n",
       "echo old > real.seq; ln -s real.seq link.seq; $P -o link.seq in.fa && test -L link.seq && cat real.seq && "
       "ls real.seq*", 0, {"2 sequences written"}, ">a\nacgt\n>b\nacgt\nreal.seq\nreal.seq.map\n"},
      {"-o /dev/stdout: the file the standard output goes to", ">a\nacgt\n>b\nacgt\n",
       "$P -o /dev/stdout in.fa > via.seq && test -L /dev/stdout && cat via.seq && ls via.seq*", 0, {},
       ">a\nacgt\n>b\nacgt\nvia.seq\nvia.seq.map\n"},
      {"--output= refused at once", "", "$P --output= -", 1, {"--output takes a file name, not an empty value"}, ""},
      {"-o the input, by another name", fa, "ln in.fa hard.fa; $P -o hard.fa in.fa; rc=$?; cmp -s in.fa hard.fa && exit $rc",
       1, {"korvax-prep: the output \"hard.fa\" is the input file"}, ""},
      {"-o the input as standard input", fa, "$P -o in.fa - < in.fa; rc=$?; test -s in.fa && exit $rc", 1,
       {"the output \"in.fa\" is the input file (standard input)"}, ""},
      {"a write that fails leaves the old file", many(300),
       "echo old > old.seq; (trap '' XFSZ; ulimit -f 2; exec $P --split -o old.seq in.fa); rc=$?; cat old.seq; ls old*; "
       "exit $rc",
       4, {"korvax-prep: cannot write \"old.seq\"", "300 FASTA records; nothing written: the output could not be written"},
       "old\nold.seq\n"},
      {"256 sequences, one of 4095 letters: the limits", many(255) + ">a\n" + std::string(4095, 'a') + "\n",
       "$P -o big.seq in.fa", 0, {"256 sequences written in 1 data portion"}, ""},
      {"one line too long for korvax", ">a\n" + std::string(4096, 'a') + "\n>b\nacgt\n", "$P in.fa", 2,
       {"in.fa:1: error: sequence 1 'a' has 4096 letters; korvax reads at most 4095"}, ""},
      {"one sequence", ">a\nacgt\n", "$P in.fa", 2, {"1 sequence to write; korvax needs at least 2"}, ""},
      {"not FASTA", "acgt\nacgt\n", "$P -o out.seq in.fa; rc=$?; test -e out.seq || exit $rc", 2,
       {"korvax-prep: in.fa: line 1: not FASTA or FASTQ"}, ""},
      {"no such file", "", "$P missing.fa", 4, {"korvax-prep: missing.fa: No such file or directory"}, ""},
      {"unknown option", "", "$P --fast in.fa", 1, {"unknown option \"--fast\""}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    wd.write("in.fa", c.input);
    const RunResult r = run_shell(wd, "P=" + std::string(KORVAX_PREP_BIN) + "; " + c.cmd);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
    for (const auto& part : c.err_has) EXPECT_TRUE(contains(r.err, part)) << part << "\nin:\n" << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

// Records of random letters, a planted word in each with an N somewhere
// before it, some named alike; wrapped at 50 columns.
std::string cut_fasta(std::mt19937& rng, std::map<std::string, std::string>& ret_records) {
  const auto letters = [&](int n) {
    std::string t;
    for (int i = 0; i < n; ++i) t += "ACGT"[rng() % 4];
    return t;
  };
  std::string text;
  for (int i = 0; i < 8; ++i) {
    const int before = 1 + static_cast<int>(rng() % 30);
    std::string seq = letters(before) + "N" + letters(static_cast<int>(rng() % 40)) + "TTGTGAGCTCACAA" +
                      letters(10 + static_cast<int>(rng() % 60));
    if (rng() % 3 == 0) seq[rng() % static_cast<unsigned>(before)] = 'n';  // a second cut before
    const std::string name = "rec" + std::to_string(i);
    ret_records[name] = seq;
    text += ">" + name + " chr" + std::to_string(i) + "\n";
    for (std::size_t at = 0; at < seq.size(); at += 50) text += seq.substr(at, 50) + "\n";
  }
  return text;
}

std::vector<std::vector<std::string>> tsv_rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    rows.emplace_back();
    for (std::string f; std::getline(fields, f, '\t');) rows.back().push_back(f);
  }
  return rows;
}

// --ambiguous=cut, a korvax run on the pieces, korvax-export on the result:
// every exported site (table, BED, JSON) is where its word stands in the
// user's own FASTA record, not in the piece korvax searched.
TEST(Prep, CutSequencesExportInTheRecordsPositions) {
  std::mt19937 rng(1906);
  for (int trial = 0; trial < 3; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Workdir wd;
    std::map<std::string, std::string> records;
    wd.write("orig.fa", cut_fasta(rng, records));
    const std::string p = std::string(KORVAX_PREP_BIN), x = std::string(KORVAX_EXPORT_BIN);
    ASSERT_EQ(run_shell(wd, p + " -a cut -o in.seq orig.fa").exit_code, 0);
    // The last trial searches word pairs: both words move.
    const bool pairs = trial == 2;
    const RunResult k = run_korvax(wd, 2, pairs ? std::vector<std::string>{"-L6", "-LL5", "-SMIN0", "-SMAX3",
                                                                           "-SPEN0,0,0,0", "in.seq"}
                                                : std::vector<std::string>{"-L14", "in.seq"});
    ASSERT_EQ(k.exit_code, 0) << k.out;
    const RunResult e = run_shell(wd, x + " --input in.seq --sites - --bed b.bed --json j.json in.seq.out");
    ASSERT_EQ(e.exit_code, 0) << e.err;
    const auto sites = tsv_rows(e.out), bed = tsv_rows(read_text(wd.file("b.bed")));
    const std::string json = read_text(wd.file("j.json"));
    ASSERT_GT(sites.size(), 3u);
    ASSERT_EQ(sites[0].size(), pairs ? 14u : 10u);  // the last column: the p-value
    const std::size_t per_site = pairs ? 2 : 1;  // BED lines
    ASSERT_EQ(bed.size(), (sites.size() - 1) * per_site);
    const std::string result = read_text(wd.file("in.seq.out"));
    const std::size_t best = result.find("Best quality result #1 ");
    ASSERT_NE(best, std::string::npos);
    for (std::size_t i = 1; i < sites.size(); ++i) {
      // portion number sequence start end strand word [spacing start2 end2 word2] ...
      const auto& s = sites[i];
      const std::string& record = records.at(s[2]);
      for (std::size_t w = 0; w < per_site; ++w) {
        const std::size_t c = w == 0 ? 3 : 8;  // the columns of the word's start and end
        const int start = std::stoi(s[c]), end = std::stoi(s[c + 1]);
        const std::string& word = s[w == 0 ? 6 : 10];
        EXPECT_EQ(record.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1)), word);
        const auto& b = bed[(i - 1) * per_site + w];
        EXPECT_EQ(b[0], s[2]);
        EXPECT_EQ(b[1], std::to_string(start - 1));
        EXPECT_EQ(b[2], s[c + 1]);
      }
      EXPECT_TRUE(contains(json, "\"sequence\": \"" + s[2] + "\", \"start\": " + s[3] + ", \"end\": " + s[4]));
      if (pairs) {
        EXPECT_TRUE(contains(json, "\"start2\": " + s[8] + ", \"end2\": " + s[9]));
      }
      // korvax's own report counts in the piece ("  N:name  [start]"), which
      // starts after the N of every record.
      const std::size_t at = result.find(" " + s[1] + ":" + s[2], best);
      ASSERT_NE(at, std::string::npos);
      EXPECT_LT(std::stoi(result.substr(result.find('[', at) + 1, 4)), std::stoi(s[3]));
    }

  }
}

}  // namespace
