// logo.cpp: sequence logos as SVG.
//
// One row per exported data portion; a word pair shows its two logos side by
// side with the spacing between them. Column heights are the information
// content in bits against the background; each letter takes its share of the
// column, the most frequent on top. Letters and numbers are filled outlines
// (glyphs.cpp), so the picture needs no font; only the "bits" caption and the
// row captions are text.
#include <algorithm>
#include <cmath>
#include <string>

#include "glyphs.hpp"
#include "stats/log_value.hpp"
#include "writers.hpp"

namespace {

constexpr double kColumn = 24;   // width of one position
constexpr double kHeight = 120;  // height of the bits axis
constexpr double kLeft = 48;     // room for the axis
constexpr double kTop = 22;      // room for the row caption
constexpr double kBottom = 24;   // room for the position numbers
constexpr double kGap = 76;      // between the two logos of a word pair
constexpr double kRight = 12;

// Nucleotides in the usual colours; amino acids by chemistry.
const char* colour(char c, bool dna) {
  if (dna) {
    switch (c) {
      case 'A': return "#109648";
      case 'C': return "#255c99";
      case 'G': return "#f7b32b";
      default: return "#d62839";
    }
  }
  switch (c) {
    case 'G':
    case 'S':
    case 'T':
    case 'Y':
    case 'C': return "#109648";  // polar
    case 'N':
    case 'Q': return "#8e44ad";  // neutral
    case 'K':
    case 'R':
    case 'H': return "#255c99";  // basic
    case 'D':
    case 'E': return "#d62839";  // acidic
    default: return "#222222";   // hydrophobic
  }
}

void glyph(std::FILE* f, const std::vector<const char*>& parts, double x, double y, double sx, double sy,
           const char* fill) {
  std::fprintf(f, "<g transform=\"translate(%.2f,%.2f) scale(%.4f,%.4f)\" fill=\"%s\">", x, y, sx, sy, fill);
  for (const char* d : parts) std::fprintf(f, "<path fill-rule=\"evenodd\" d=\"%s\"/>", d);
  std::fputs("</g>\n", f);
}

// A number in digit outlines of the given height, centred on cx (or ending at
// cx when right-aligned), top at y.
void number(std::FILE* f, const std::string& text, double cx, double y, double h, bool right = false) {
  const double w = h * 0.6, step = w * 1.35;
  const double width = step * static_cast<double>(text.size()) - (step - w);
  double x = right ? cx - width : cx - width / 2;
  for (char c : text) {
    glyph(f, digit_glyph(c), x, y, w / 60, h / 100, "#444444");
    x += step;
  }
}

// One logo with its baseline at y0 and its left edge at x0.
void logo(std::FILE* f, const MotifMatrix& m, const MotifAlphabet& abc, double x0, double y0,
          double per_bit) {
  const int k = abc.size();
  for (int pos = 0; pos < m.width; ++pos) {
    std::vector<std::pair<double, int>> stack;
    for (int a = 0; a < k; ++a)
      if (m.count(pos, a, k) > 0 && m.nsites > 0)
        stack.push_back({static_cast<double>(m.count(pos, a, k)) / m.nsites * m.bits[ix(pos)], a});
    std::sort(stack.begin(), stack.end());
    double y = y0;
    const double x = x0 + pos * kColumn;
    for (const auto& [bits, a] : stack) {
      const double h = bits * per_bit;
      if (h < 0.05) continue;
      y -= h;
      const char c = abc.letters[ix(a)];
      glyph(f, letter_glyph(c), x + 1, y, (kColumn - 2) / 100, h / 100, colour(c, abc.dna));
    }
    number(f, std::to_string(pos + 1), x + kColumn / 2, y0 + 6, 8);
  }
  std::fprintf(f, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444444\"/>\n", x0,
               y0 + 0.5, x0 + m.width * kColumn, y0 + 0.5);
}

// What a row says of its signal: the consensus (a word pair's two, with the
// spacing) and the E-value.
std::string caption(const ExportPortion& p) {
  std::string text = p.motifs[0].consensus;
  if (p.motifs.size() > 1) text += " .. " + p.motifs[1].consensus;
  text +=
      p.stats.has_evalue ? ", E-value " + format_log_value(p.stats.log_evalue) : ", no E-value (no input)";
  return text;
}

}  // namespace

void write_logo(std::FILE* f, const ExportSet& set) {
  double top_bits = std::log2(static_cast<double>(set.abc.size()));
  double width = 0;
  int rows = 0;
  for (const ExportPortion& p : set.portions) {
    if (p.motifs.empty()) continue;
    ++rows;
    double w = kLeft + kRight + static_cast<double>(p.motifs.size() - 1) * kGap;
    for (const MotifMatrix& m : p.motifs) {
      w += m.width * kColumn;
      for (double b : m.bits) top_bits = std::max(top_bits, b);
    }
    // Room for the row caption, at about 7 units per character.
    width = std::max({width, w, 40 + 7.0 * static_cast<double>(caption(p).size())});
  }
  const double per_bit = kHeight / top_bits;
  const double row_height = kTop + kHeight + kBottom;
  std::fprintf(
      f,
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n",
      width, rows * row_height, width, rows * row_height);
  std::string title;
  for (const ExportPortion& p : set.portions)
    if (!p.motifs.empty()) title += "; data portion " + std::to_string(p.number) + ": " + caption(p);
  std::fprintf(f, "<title>korvax sequence logo of %s%s</title>\n", set.abc.dna ? "DNA" : "protein",
               title.c_str());
  std::fputs("<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n", f);
  int row = 0;
  for (const ExportPortion& p : set.portions) {
    if (p.motifs.empty()) continue;
    const double y0 = row * row_height + kTop + kHeight;
    ++row;
    std::fprintf(f,
                 "<text x=\"4\" y=\"%.1f\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#444444\">"
                 "data portion %d: %s</text>\n",
                 y0 - kHeight - 8, p.number, caption(p).c_str());
    // The bits axis with a tick at every whole bit.
    std::fprintf(f, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444444\"/>\n", kLeft - 4,
                 y0 + 0.5, kLeft - 4, y0 - top_bits * per_bit);
    for (int b = 0; b <= static_cast<int>(top_bits + 1e-9); ++b) {
      const double y = y0 - b * per_bit;
      std::fprintf(f, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#444444\"/>\n",
                   kLeft - 8, y, kLeft - 4, y);
      number(f, std::to_string(b), kLeft - 11, y - 4, 8, true);
    }
    std::fprintf(f,
                 "<text transform=\"translate(14,%.1f) rotate(-90)\" text-anchor=\"middle\" "
                 "font-family=\"sans-serif\" font-size=\"11\" fill=\"#444444\">bits</text>\n",
                 y0 - kHeight / 2);
    double x = kLeft;
    for (std::size_t i = 0; i < p.motifs.size(); ++i) {
      if (i == 1) {
        // The spacing between the two words: a dashed baseline and its range.
        std::fprintf(f,
                     "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#888888\" "
                     "stroke-dasharray=\"4 3\"/>\n",
                     x + 4, y0 + 0.5, x + kGap - 4, y0 + 0.5);
        const std::string range = p.spacing_min == p.spacing_max
                                      ? std::to_string(p.spacing_min)
                                      : std::to_string(p.spacing_min) + "-" + std::to_string(p.spacing_max);
        number(f, range, x + kGap / 2, y0 - 16, 11);
        std::fprintf(f,
                     "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" font-family=\"sans-serif\" "
                     "font-size=\"10\" fill=\"#444444\">spacing</text>\n",
                     x + kGap / 2, y0 - 22);
        x += kGap;
      }
      logo(f, p.motifs[i], set.abc, x, y0, per_bit);
      x += p.motifs[i].width * kColumn;
    }
  }
  std::fputs("</svg>\n", f);
}
