// json.cpp: the whole export as one JSON document, for programs.
#include <cmath>

#include "stats/log_value.hpp"
#include "writers.hpp"

namespace {

// The length of the well-formed UTF-8 sequence at s[i...], 0 if there is none.
std::size_t utf8_length(const std::string& s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  const std::size_t len = c >= 0xf0 && c <= 0xf4 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 && c < 0xe0 ? 2 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k)
    if ((b(i + k) & 0xc0) != 0x80) return 0;
  if ((c == 0xe0 && b(i + 1) < 0xa0) || (c == 0xed && b(i + 1) >= 0xa0) || (c == 0xf0 && b(i + 1) < 0x90) ||
      (c == 0xf4 && b(i + 1) >= 0x90))
    return 0;  // overlong, a surrogate, or beyond U+10FFFF
  return len;
}

// A JSON string. A byte that is not part of well-formed UTF-8 (a Latin-1
// name) is read as the Latin-1 letter it is, so the document stays UTF-8.
void str(std::FILE* f, const std::string& s) {
  std::fputc('"', f);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      std::fprintf(f, "\\%c", c);
    } else if (c < 0x20 || c == 0x7f) {
      std::fprintf(f, "\\u%04x", c);
    } else if (c < 0x80) {
      std::fputc(c, f);
    } else if (const std::size_t len = utf8_length(s, i); len > 0) {
      std::fwrite(s.data() + i, 1, len, f);
      i += len - 1;
    } else {
      std::fprintf(f, "\\u%04x", c);
    }
  }
  std::fputc('"', f);
}

void motif(std::FILE* f, const MotifMatrix& m, const MotifAlphabet& abc) {
  const int k = abc.size();
  std::fputs("{\"id\": ", f);
  str(f, m.id);
  std::fprintf(f, ", \"width\": %d, \"nsites\": %d, \"consensus\": ", m.width, m.nsites);
  str(f, m.consensus);
  if (abc.dna) {
    std::fputs(", \"iupac\": ", f);
    str(f, m.iupac);
  }
  std::fputs(",\n        \"counts\": [", f);
  for (int pos = 0; pos < m.width; ++pos) {
    std::fputs(pos == 0 ? "[" : ", [", f);
    for (int a = 0; a < k; ++a) std::fprintf(f, a == 0 ? "%d" : ", %d", m.count(pos, a, k));
    std::fputs("]", f);
  }
  std::fputs("],\n        \"bits\": [", f);
  for (int pos = 0; pos < m.width; ++pos) std::fprintf(f, pos == 0 ? "%.4f" : ", %.4f", m.bits[ix(pos)]);
  std::fputs("]}", f);
}

// A value held as its logarithm: the number (in log form below the smallest
// double, so never 0) and its base-10 logarithm, which every reader can hold.
void log_number(std::FILE* f, const char* name, double ln_value) {
  std::fprintf(f, "\"%s\": %s, \"log10_%s\": %.4f", name, format_log_value(ln_value).c_str(), name,
               ln_value / std::log(10.0));
}

// The signal's statistics; the E-value null without the input.
void statistics(std::FILE* f, const SignalStats& st) {
  std::fputs("      ", f);
  if (st.has_evalue) {
    log_number(f, "evalue", st.log_evalue);
  } else {
    std::fputs("\"evalue\": null, \"log10_evalue\": null", f);
  }
  std::fprintf(f,
               ",\n      \"statistics\": {\"sites\": %d, \"columns\": %d, \"pseudocount\": %g, "
               "\"llr_nats\": %.4f, \"llr_bits\": %.4f, \"llr_grid_nats\": %.6f, ",
               st.nsites, st.width, st.pseudocount, st.llr.llr, st.llr.llr / std::log(2.0), st.llr.grid);
  log_number(f, "llr_pvalue", st.llr.log_p);
  if (st.has_evalue)
    std::fprintf(f, ", \"log10_alignments\": %.4f", st.log_alignments / std::log(10.0));
  else
    std::fputs(", \"log10_alignments\": null", f);
  std::fprintf(f, ", \"site_score_grid_nats\": %g},\n", st.score_grid);
}

void site(std::FILE* f, const ExportSite& s, bool pair, double log_p) {
  std::fprintf(f, "{\"number\": %d, \"sequence\": ", s.seq);
  str(f, s.name);
  std::fprintf(f, ", \"start\": %d, \"end\": %d, \"strand\": \"%c\", \"word\": \"%s\"", s.start, s.end,
               s.strand, s.word.c_str());
  if (pair)
    std::fprintf(f, ", \"spacing\": %d, \"start2\": %d, \"end2\": %d, \"word2\": \"%s\"", s.spacing, s.start2,
                 s.end2, s.word2.c_str());
  std::fprintf(f, ", \"proximity_sum\": %d, \"average\": %.2f, ", s.prox_sum, s.average * 0.01);
  log_number(f, "pvalue", log_p);
  std::fputs("}", f);
}

void portion(std::FILE* f, const ExportPortion& p, const ExportSet& set) {
  std::fprintf(f, "    {\"portion\": %d, \"exported\": %s", p.number, p.result ? "true" : "false");
  if (p.result == nullptr) {
    std::fputs(", \"reason\": ", f);
    str(f, p.missing);
    std::fputs("}", f);
    return;
  }
  const ReportedResult& r = *p.result;
  std::fprintf(
      f,
      ", \"l\": %d, \"l2\": %d,\n      \"result\": {\"ranking\": \"%s\", \"place\": %d, \"serial\": %d, "
      "\"sent\": %d, \"power\": %d, \"quality\": %.2f, \"avg_proximity\": %.2f},\n",
      p.l, p.l2, r.ranking == Ranking::quality ? "quality" : "avg proximity", r.place, r.serial, r.sent,
      r.power, r.quality * 0.01, r.avg_proximity * 0.01);
  if (p.l2 != 0)
    std::fprintf(f, "      \"spacing\": {\"min\": %d, \"max\": %d},\n", p.spacing_min, p.spacing_max);
  statistics(f, p.stats);
  std::fputs("      \"motifs\": [\n", f);
  for (std::size_t i = 0; i < p.motifs.size(); ++i) {
    std::fputs(i == 0 ? "        " : ",\n        ", f);
    motif(f, p.motifs[i], set.abc);
  }
  std::fputs("\n      ],\n      \"sites\": [\n", f);
  for (std::size_t i = 0; i < p.sites.size(); ++i) {
    std::fputs(i == 0 ? "        " : ",\n        ", f);
    site(f, p.sites[i], p.l2 != 0, p.stats.site_log_p[i]);
  }
  std::fputs("\n      ]}", f);
}

}  // namespace

void write_json(std::FILE* f, const ExportSet& set) {
  std::fputs("{\n  \"source\": ", f);
  str(f, set.source);
  std::fprintf(
      f, ",\n  \"ranking\": \"%s\",\n  \"place\": %d,\n  \"alphabet\": \"%s\",\n  \"letters\": \"%s\",\n",
      set.by_evalue                     ? "evalue"
      : set.ranking == Ranking::quality ? "quality"
                                        : "avg proximity",
      set.place, set.abc.dna ? "DNA" : "protein", set.abc.letters.c_str());
  std::fprintf(f, "  \"background_source\": \"%s\",\n  \"background\": [", set.background_source.c_str());
  for (std::size_t a = 0; a < set.background.size(); ++a)
    std::fprintf(f, a == 0 ? "%.6f" : ", %.6f", set.background[a]);
  std::fputs("],\n  \"portions\": [\n", f);
  for (std::size_t i = 0; i < set.portions.size(); ++i) {
    if (i != 0) std::fputs(",\n", f);
    portion(f, set.portions[i], set);
  }
  std::fputs("\n  ]\n}\n", f);
}
