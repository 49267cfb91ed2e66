// prep_test.cpp: the korvax-prep program, from the files users have to the
// exit code, the messages and the korvax input it writes.
#include <gtest/gtest.h>

#include <cctype>
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
  std::string seq = read_text(source_path("examples/crp0.seq"));
  for (char& c : seq) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_FALSE(fa.empty());
  const std::string crp_ok = "18 FASTA records; 18 sequences written in 1 data portion";
  const std::string with_n = ">a one\nacNgt\nacg\n>b\nacgtacgt\n>c\nNNNN\n>d\nacgtNNacgtac\n>e\nacgtt\n";
  const std::vector<PrepCase> cases = {
      {"wrapped at 60 columns", fa, "$P in.fa", 0, {crp_ok, "changed:  nothing"}, seq},
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
      {"300 sequences split", many(300), "$P --split -o split.seq in.fa", 0,
       {"split into 2 data portions of 150, 150 sequences"}, ""},
      {"protein guessed", ">p1\nMKVLAAGIVG\nLLLA\n>p2 x\nmkkllptaaagllllaaqpama*\n", "$P -a cut in.fa", 0,
       {"alphabet: protein (guessed", "run korvax with -ACID", "outside the protein alphabet (*)"},
       ">p1\nmkvlaagivgllla\n>p2\nmkkllptaaagllllaaqpama\n"},
      {"FASTQ, u read as t", "@r1 lane 1\nACGU\nAC\n+\nIIII\nII\n\n@r2\nacgttt\n+r2\n@@@@@@\n", "$P in.fa", 0,
       {"2 FASTQ records; 2 sequences written", "1 letter u read as t"}, ">r1\nacgtac\n>r2\nacgttt\n"},
      {"names cut to a width", ">alpha1\nacgt\n>alpha2\nacgt\n", "$P -w 5 in.fa", 0,
       {"in.fa:1: warning: sequence 1 'alpha1': name cut to 'alpha' (--name-width=5)",
        "in.fa:3: warning: sequence 2 'alpha': the name of sequence 1 (line 1) too"},
       ">alpha\nacgt\n>alpha\nacgt\n"},
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

}  // namespace
