// portion_lines.cpp: reading the lines of a data portion: the parameters
// line, the line after it (motifs, bonuses, strands, spacings, background)
// and the sequence list.
#include "result_reading.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "alphabet.hpp"
#include "portion.hpp"
#include "report_layout.hpp"
#include "../proximity/background.hpp"

namespace result_reading {
namespace {

// The greatest weight korvax writes: that of half a letter among the most
// letters a portion holds (256 sequences of 4095 letters, twice with -RC).
int max_letter_weight() {
  return static_cast<int>(std::lround(kBitUnits * std::log2(2.0 * 2 * kMaxSeqs * kMaxLine)));
}

inline constexpr char kBackgroundLead[] = "background=1 (quarter bits)  weights=";

// What korvax's own writer prints for the background of p.
bool background_text(const PortionParams& p, std::string& ret) {
  Settings s;
  s.background = p.background;
  s.acid = p.bg_acid;
  PortionSettings weights;
  std::memcpy(weights.bg_weight, p.bg_weight, sizeof weights.bg_weight);
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* mem = open_memstream(&text, &size);
  if (mem == nullptr) throw std::bad_alloc();
  Out out{mem};
  write_background(out, s, weights);
  const bool ok = out.close() == 0 && text != nullptr;
  if (ok) ret.assign(text, size);
  std::free(text);
  return ok;
}

// Weights that frequencies can have, each within the rounding of its weight
// (w - 1/2 to w + 1/2 quarter bits; the least weight 1 stands for any
// frequency from 2^(-3/8) to 1): the counted letters' frequencies sum to 1,
// so their least frequencies sum to at most 1 and their greatest to at
// least 1. Absent letters (half a letter each) weigh more than any counted
// one: when some letters share a greatest weight, they may be the absent
// ones and the others the counted. "" when the weights pass.
std::string weights_out_of_range(const PortionParams& p) {
  if (p.background != 1) return "";
  int heaviest = 0;
  for (const char* a = alphabet_letters(p.bg_acid); *a; ++a)
    heaviest = std::max(heaviest, p.bg_weight[*a - 'a']);
  const auto sums_to_one = [&](bool without_heaviest) {
    double least = 0, most = 0;
    for (const char* a = alphabet_letters(p.bg_acid); *a; ++a) {
      const int w = p.bg_weight[*a - 'a'];
      if (without_heaviest && w == heaviest) continue;
      least += std::exp2(-(w + 0.5) / kBitUnits);
      most += w == 1 ? 1.0 : std::exp2(-(w - 0.5) / kBitUnits);
    }
    return most > 0 && least <= 1.0 + 1e-9 && most >= 1.0 - 1e-9;
  };
  if (sums_to_one(false) || sums_to_one(true)) return "";
  return "letter weights whose frequencies (2^(-w/4)) cannot sum to 1";
}

}  // namespace

// The line after the parameters line: motifs, bonuses, spacing, penalties
// and the background.
bool parse_params_extra(const std::string& line, PortionParams& p) {
  std::size_t i = 0;
  std::string again;
  char buf[256];
  // "motif='...'  leff=%d  " and "motif2='...'  leff2=%d  "
  for (int which = 0; which < 2; ++which) {
    const char* lead = which == 0 ? "motif='" : "motif2='";
    if (!holds_at(line, i, lead)) continue;
    const std::size_t from = i + std::strlen(lead);
    const std::size_t close = line.find('\'', from);
    if (close == std::string::npos || close - from > ix(kMaxWordLen)) return false;
    std::string& motif = which == 0 ? p.motif : p.motif2;
    int& leff = which == 0 ? p.leff : p.leff2;
    motif = line.substr(from, close - from);
    i = close + 1;
    const char* key = which == 0 ? "  leff=" : "  leff2=";
    if (!holds_at(line, i, key)) return false;
    i += std::strlen(key);
    if (!take_int(line, i, leff) || !holds_at(line, i, "  ")) return false;
    i += 2;
    (which == 0 ? p.motif_given : p.motif2_given) = true;
    std::snprintf(buf, sizeof buf, which == 0 ? kParamsMotif : kParamsMotif2, motif.c_str(), leff);
    again += buf;
  }
  if (holds_at(line, i, "a-bonus=")) {
    i += 8;
    if (!take_int(line, i, p.a_bonus) || !holds_at(line, i, "  A-penalty=")) return false;
    i += 12;
    if (!take_int(line, i, p.a_penalty) || !holds_at(line, i, "  ")) return false;
    i += 2;
    p.bonus_given = true;
    std::snprintf(buf, sizeof buf, kParamsBonus, p.a_bonus, p.a_penalty);
    again += buf;
  }
  if (holds_at(line, i, kParamsStrands)) {
    i += std::strlen(kParamsStrands);
    p.both_strands = true;
    again += kParamsStrands;
  }
  if (holds_at(line, i, kParamsMasked)) {
    i += std::strlen(kParamsMasked);
    p.mask_lower = true;
    again += kParamsMasked;
  }
  if (holds_at(line, i, "spacing=[")) {
    i += 9;
    if (!take_int(line, i, p.smin) || !holds_at(line, i, ",")) return false;
    ++i;
    if (!take_int(line, i, p.smax) || !holds_at(line, i, "]  penalty=")) return false;
    i += 11;
    p.spacing_given = true;
    std::snprintf(buf, sizeof buf, kParamsSpacing, p.smin, p.smax);
    again += buf;
    int v = 0;
    while (i < line.size() && p.penalty.size() <= ix(kMaxSpacing) && take_int(line, i, v)) {
      std::snprintf(buf, sizeof buf, p.penalty.empty() ? "%d" : ",%d", v);
      again += buf;
      p.penalty.push_back(v);
      if (i < line.size() && line[i] == ',') ++i;
    }
  }
  // -BG1: "background=1 (quarter bits)  weights=a:6,c:10,t:7,g:11  ", two
  // blanks before it after the spacing penalties.
  const std::size_t blanks = p.spacing_given ? 2 : 0;
  if (holds_at(line, i + blanks, kBackgroundLead)) {
    i += blanks + std::strlen(kBackgroundLead);
    std::string letters;
    while (i + 1 < line.size() && std::islower(static_cast<unsigned char>(line[i])) && line[i + 1] == ':') {
      const char c = line[i];
      i += 2;
      int w = 0;
      if (letters.find(c) != std::string::npos || !take_int(line, i, w) || !within(w, 1, max_letter_weight()))
        return false;
      letters += c;
      p.bg_weight[c - 'a'] = w;
      if (i < line.size() && line[i] == ',') ++i;
    }
    if (letters != alphabet_letters(false) && letters != alphabet_letters(true)) return false;
    p.background = 1;
    p.bg_acid = letters == alphabet_letters(true);
    std::string printed;
    if (!background_text(p, printed)) return false;
    again += (p.spacing_given ? "  " : "") + printed;
    i = line.size();
  }
  return again == line;
}

// What a parameters line of korvax holds: word lengths 1..64 (l2 0 or
// 1..64), spacings 0..4096, one penalty per spacing. "" when it does.
std::string params_out_of_range(const PortionParams& p) {
  if (!within(p.l, 1, kMaxWordLen) || !within(p.l2, 0, kMaxWordLen))
    return "word lengths l=" + std::to_string(p.l) + " l2=" + std::to_string(p.l2) + " (korvax takes 1.." +
           std::to_string(kMaxWordLen) + ")";
  if ((p.l2 != 0) != p.spacing_given) return "a word pair needs its spacing line, a single word has none";
  if (!p.spacing_given) return weights_out_of_range(p);
  if (!within(p.smin, 0, kMaxSpacing) || !within(p.smax, p.smin, kMaxSpacing))
    return "spacing=[" + std::to_string(p.smin) + "," + std::to_string(p.smax) + "] (korvax takes 0.." +
           std::to_string(kMaxSpacing) + ", the first not above the second)";
  if (p.penalty.size() != ix(p.smax - p.smin + 1))
    return std::to_string(p.penalty.size()) + " spacing penalties for " +
           std::to_string(p.smax - p.smin + 1) + " spacings (korvax writes one per spacing)";
  return weights_out_of_range(p);
}

bool parse_params(const std::string& line, PortionParams& p) {
  if (std::sscanf(line.c_str(), kParams, &p.n, &p.logn, &p.nn, &p.m, &p.l, &p.l2, &p.mw, &p.threshold,
                  &p.pairs, &p.mincover, &p.aftermax) != 11)
    return false;
  p.known = true;
  return printed_as("\n" + line, kParams, p.n, p.logn, p.nn, p.m, p.l, p.l2, p.mw, p.threshold, p.pairs,
                    p.mincover, p.aftermax);
}

// "%3d:%-*.*s %s": the letters are the last word of the line.
bool parse_sequence_line(const std::string& line, ListedSequence& s) {
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%d:%n", &s.seq, &consumed) != 1 || consumed == 0) return false;
  const std::size_t sp = line.rfind(' ');
  if (sp == std::string::npos || sp < ix(consumed)) return false;
  s.name = line.substr(ix(consumed), sp - ix(consumed));
  s.letters = line.substr(sp + 1);
  const int W = static_cast<int>(s.name.size());
  rtrim(s.name);
  return printed_as(line, kSequenceLine, s.seq, W, W, s.name.c_str(), s.letters.c_str());
}

}  // namespace result_reading
