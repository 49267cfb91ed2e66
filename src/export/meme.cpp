// meme.cpp: MEME motif format, version 4 (minimal).
//
// MOTIF lines carry the identifier and the consensus. E= is the signal's
// E-value (both motifs of a word pair share it); without the input there is
// none, and the field is left out rather than written as 0.
#include "stats/log_value.hpp"
#include "writers.hpp"

void write_meme(std::FILE* f, const ExportSet& set) {
  const int k = set.abc.size();
  std::fprintf(f, "MEME version 4\n\nALPHABET= %s\n\nstrands: %s\n\n", set.abc.letters.c_str(),
               set.both_strands ? "+ -" : "+");
  std::fputs("Background letter frequencies\n", f);
  for (int a = 0; a < k; ++a)
    std::fprintf(f, "%s%c %.4f", a == 0 ? "" : " ", set.abc.letters[ix(a)], set.background[ix(a)]);
  std::fputs("\n", f);
  for (const ExportPortion& p : set.portions)
    for (const MotifMatrix& m : p.motifs) {
      std::fprintf(f, "\nMOTIF %s %s\n\n", m.id.c_str(), m.consensus.c_str());
      std::fprintf(f, "letter-probability matrix: alength= %d w= %d nsites= %d", k, m.width, m.nsites);
      if (p.stats.has_evalue) std::fprintf(f, " E= %s", format_log_value(p.stats.log_evalue).c_str());
      std::fputs("\n", f);
      for (int pos = 0; pos < m.width; ++pos) {
        for (int a = 0; a < k; ++a)
          std::fprintf(f, " %.6f", m.nsites > 0 ? static_cast<double>(m.count(pos, a, k)) / m.nsites : 0.0);
        std::fputs("\n", f);
      }
    }
}
