// help.cpp: the help text, from the table of options. Its wording is part of
// the program's interface.
#include <cstdio>
#include <cstring>

#include "cmdline.hpp"
#include "options.hpp"

void print_help(std::FILE* f) noexcept {
  Settings d;  // the constants of the Settings record, not the values in force
  std::fprintf(f, "Version %s\n\n", kVersion);
  std::fputs("Usage: korvax [Options] Infile [Outfile]\n\n", f);
  std::fputs("Infile:  Name of input FASTA file\n", f);
  std::fputs("Outfile: Name for result data file (*.out default)\n\n", f);
  std::fputs("Options (case insensitive):\n", f);
  for (const OptionRow& row : option_rows()) {
    if (row.help == nullptr) continue;
    if (row.kind == OptionKind::kText)
      std::fprintf(f, row.help, row.text(d));
    else if (std::strstr(row.help, "%d") != nullptr)
      std::fprintf(f, row.help, row.value.load(d));
    else
      std::fputs(row.help, f);
  }
  std::fputs("\n", f);
}
