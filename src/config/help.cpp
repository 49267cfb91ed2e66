// help.cpp: the help text. Its wording is part of the program's interface.
#include <cstdio>

#include "cmdline.hpp"

void print_help(std::FILE* f) noexcept {
  const Settings d;  // the constants of the Settings record, not the values in force
  std::fprintf(f, "Version %s\n\n", kVersion);
  std::fputs("Usage: korvax [Options] Infile [Outfile]\n\n", f);
  std::fputs("Infile:  Name of input FASTA file\n", f);
  std::fputs("Outfile: Name for result data file (*.out default)\n\n", f);
  std::fputs("Options (case insensitive):\n", f);
  std::fputs(" -A    Append to output files (re-write default)\n", f);
  std::fputs(" -ACID Amino acid alphabet (nucleotide alphabet by default)\n", f);
  std::fprintf(f, " -BAn  Bonus for absolute conservative position (%d default)\n", d.ba);
  std::fprintf(f, " -BCn  Bonus for conservative position (%d default)\n", d.bc);
  std::fprintf(f, " -BXn  Max number of exclusions from consensus (%d default)\n", d.bx);
  std::fputs(" -BGn  Background: 0=letters alike, 1=information of letters (0 default)\n", f);
  std::fprintf(f, " -Cn   Console output level n=0..2 (%d default)\n", d.console_level);
  std::fprintf(f, " -Dn   Write level n=0..4 diagnostics into output file (%d default)\n",
               d.diag_level);
  std::fputs(" -F    Write history file (.csv) on termination (none by default)\n", f);
  std::fprintf(f, " -Gx   Aggregation mode: %d|S=sum, %d|M=max (%d default)\n", 1, 2,
               d.aggregation);
  std::fputs(" -H    Print help information\n", f);
  std::fprintf(f, " -In   Maximum number of non-improving iterations in a Q-list (%d default)\n",
               d.aftermax);
  std::fprintf(f, " -Jx   New words accounting: %d|I=ignore, %d|A=allow, %d|R=reset (%d default)\n",
               0, 1, 2, d.new_words_mode);
  std::fprintf(f, " -Ln   Set word length n (%d default)\n", 18);
  std::fprintf(f, " -LLn  Set 2nd word length n (%d default)\n", 0);
  std::fputs(" -M's' Set word motif 's' (none by default)\n", f);
  std::fputs(" -MM's' Set 2nd word motif 's' (none by default)\n", f);
  std::fprintf(f, " -MBn  Bonus for conformity to a-motif (%d default)\n", d.a_bonus);
  std::fprintf(f, " -MPn  Penalty for nonconformity to A-motif (%d default)\n", d.a_penalty);
  std::fprintf(f, " -Nn   Max length of seq name, 0=don't truncate (%d default)\n",
               d.name_width_limit);
  std::fputs(" -Pn   Minimum pairs per sequence to try; 0=all (default)\n", f);
  std::fprintf(f, " -Qn   Limit of permutations in a Q-list; 0=no limit (%d default)\n",
               d.qlist_limit);
  std::fprintf(f, " -Rn   Number of best results to print (%d default)\n", d.best_results);
  std::fprintf(f, " -SMINn Minimum spacing to 2nd word if any (%d default)\n", d.smin);
  std::fprintf(f, " -SMAXn Maximum spacing to 2nd word if any (%d default)\n", d.smax);
  std::fprintf(f, " -SPENs Penalty for spacing between words(%s default)\n", kDefaultPenText);
  std::fputs(" -Tn   Set quality threshold (L/2 default)\n", f);
  std::fprintf(f, " -Un   Limit number of permutations (%d default)\n", d.perm_limit);
  std::fprintf(f, " -Vn   Limit of new Q-permutations at a time (%d default)\n", d.new_q);
  std::fprintf(f, " -Wn   Limit time of calculation, minutes; 0=no limit (%d default)\n",
               d.time_limit);
  std::fputs(" -Xn   Proximity: -x1=fill matrix, -x0=calculate on the fly (1 default)\n", f);
  std::fputs(" -Yn   Minimum coverage if checking all pairs (logn default)\n", f);
  std::fprintf(f, " -Zx   Secondary files: %d|R=remove, %d|A=append, %d|S=save (%d default)\n", 0,
               1, 2, d.secondary_mode);
  std::fputs("\n", f);
}
