// sites.cpp: the words of the exported signal as a table and as BED6.
#include "stats/log_value.hpp"
#include "writers.hpp"

#include <algorithm>
#include <cmath>

namespace {

// BED names cannot hold blanks: the first word of the sequence name.
std::string bed_name(const std::string& name) { return name.substr(0, name.find_first_of(" \t")); }

// The per-sequence average as a share of the greatest proximity a word (or
// word pair) can have, the number of its letters: 0 to 1000.
int bed_score(const ExportSite& s, int letters) {
  const long v = std::lround(10.0 * s.average / letters);
  return static_cast<int>(std::clamp(v, 0L, 1000L));
}

// A name as one field of the table: a tab, a line end or a backslash in it
// is written as \t, \n, \r or \\, so that every row keeps its columns.
std::string field(const std::string& name) {
  std::string out;
  for (char c : name) {
    const char* esc = c == '\t'   ? "\\t"
                      : c == '\n' ? "\\n"
                      : c == '\r' ? "\\r"
                      : c == '\\' ? "\\\\"
                                  : nullptr;
    if (esc != nullptr)
      out += esc;
    else
      out += c;
  }
  return out;
}

}  // namespace

void write_sites(std::FILE* f, const ExportSet& set) {
  const bool pairs = set.word_pairs();
  std::fputs(pairs ? "portion\tnumber\tsequence\tstart\tend\tstrand\tword\tspacing\tstart2\tend2\tword2"
                     "\tproximity_sum\taverage\tpvalue\n"
                   : "portion\tnumber\tsequence\tstart\tend\tstrand\tword\tproximity_sum\taverage\tpvalue\n",
             f);
  for (const ExportPortion& p : set.portions)
    for (std::size_t i = 0; i < p.sites.size(); ++i) {
      const ExportSite& s = p.sites[i];
      std::fprintf(f, "%d\t%d\t%s\t%d\t%d\t%c\t%s", p.number, s.seq, field(s.name).c_str(), s.start, s.end,
                   s.strand, s.word.c_str());
      if (pairs) std::fprintf(f, "\t%d\t%d\t%d\t%s", s.spacing, s.start2, s.end2, s.word2.c_str());
      std::fprintf(f, "\t%d\t%.2f\t%s\n", s.prox_sum, s.average * 0.01,
                   format_log_value(p.stats.site_log_p[i]).c_str());
    }
}

void write_bed(std::FILE* f, const ExportSet& set) {
  for (const ExportPortion& p : set.portions)
    for (const ExportSite& s : p.sites) {
      const std::string chrom = bed_name(s.name);
      const int score = bed_score(s, p.l + p.l2);
      std::fprintf(f, "%s\t%d\t%d\t%s\t%d\t%c\n", chrom.c_str(), s.start - 1, s.end, p.motifs[0].id.c_str(),
                   score, s.strand);
      if (p.l2 != 0)
        std::fprintf(f, "%s\t%d\t%d\tportion%d.word2.spacing%d\t%d\t%c\n", chrom.c_str(), s.start2 - 1,
                     s.end2, p.number, s.spacing, score, s.strand);
    }
}
