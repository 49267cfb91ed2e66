// meme.cpp: MEME motif format, version 4 (minimal).
//
// MOTIF lines carry the identifier and the consensus; E= 0 is written because
// readers expect the field, and korvax computes no E-value.
#include "writers.hpp"

void write_meme(std::FILE* f, const ExportSet& set) {
  const int k = set.abc.size();
  std::fprintf(f, "MEME version 4\n\nALPHABET= %s\n\nstrands: +\n\n", set.abc.letters.c_str());
  std::fputs("Background letter frequencies\n", f);
  for (int a = 0; a < k; ++a)
    std::fprintf(f, "%s%c %.4f", a == 0 ? "" : " ", set.abc.letters[static_cast<std::size_t>(a)],
                 set.background[static_cast<std::size_t>(a)]);
  std::fputs("\n", f);
  for (const ExportPortion& p : set.portions)
    for (const MotifMatrix& m : p.motifs) {
      std::fprintf(f, "\nMOTIF %s %s\n\n", m.id.c_str(), m.consensus.c_str());
      std::fprintf(f, "letter-probability matrix: alength= %d w= %d nsites= %d E= 0\n", k, m.width, m.nsites);
      for (int pos = 0; pos < m.width; ++pos) {
        for (int a = 0; a < k; ++a)
          std::fprintf(f, " %.6f", m.nsites > 0 ? static_cast<double>(m.count(pos, a, k)) / m.nsites : 0.0);
        std::fputs("\n", f);
      }
    }
}
