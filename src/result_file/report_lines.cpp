// report_lines.cpp: reading the lines of a block of the best-results report:
// its title, its permutation line and its sequence lines.
#include "result_reading.hpp"

#include <cstring>

#include "report_layout.hpp"

namespace result_reading {

// "Best <kind> result #k [serial/sent] (power: ..., quality: ..., avg proximity: ...)"
bool parse_title(const std::string& line, ReportedResult& r) {
  for (Ranking k : {Ranking::quality, Ranking::avg_proximity}) {
    const char* kind = k == Ranking::quality ? kKindQuality : kKindAvgProximity;
    const std::string lead = "Best " + std::string(kind) + " result #";
    if (!starts_with(line, lead.c_str())) continue;
    double q = 0, a = 0;
    if (std::sscanf(line.c_str() + lead.size(), "%d [%d/%d] (power: %d, quality: %lf, avg proximity: %lf)",
                    &r.place, &r.serial, &r.sent, &r.power, &q, &a) != 6)
      return false;
    r.ranking = k;
    r.quality = hundredths(q);
    r.avg_proximity = hundredths(a);
    return printed_as(line, kBestTitle, kind, r.place, r.serial, r.sent, r.power, r.quality * 0.01,
                      r.avg_proximity * 0.01);
  }
  return false;
}

bool is_title(const std::string& line) {
  return starts_with(line, "Best ") && line.find(" result #") != std::string::npos;
}

// "P%d[%d]: " or "Q%d,%d[%d]: " followed by "%d " per sequence.
// The serial of the line must be the title's: korvax writes one serial.
bool parse_perm(const std::string& line, ReportedResult& r) {
  int consumed = 0, serial = -1;
  if (line[0] == 'P') {
    if (std::sscanf(line.c_str(), "P%d[%d]: %n", &r.p_index, &serial, &consumed) != 2) return false;
    r.q_index = -1;
  } else if (std::sscanf(line.c_str(), "Q%d,%d[%d]: %n", &r.p_index, &r.q_index, &serial, &consumed) != 3) {
    return false;
  }
  if (serial != r.serial) return false;
  char head[64];
  if (r.q_index < 0)
    std::snprintf(head, sizeof head, kPermP, r.p_index, r.serial);
  else
    std::snprintf(head, sizeof head, kPermQ, r.p_index, r.q_index, r.serial);
  std::string again = head;
  std::size_t i = ix(consumed);
  int v = 0;
  while (i < line.size() && take_int(line, i, v)) {
    r.perm.push_back(v);
    char entry[16];
    std::snprintf(entry, sizeof entry, kPermEntry, v);
    again += entry;
    if (i < line.size() && line[i] == ' ') ++i;
  }
  r.has_perm = true;
  return again == line;
}

// A sequence line: "%3d:" then the name padded to the width, then nothing,
// "[start] word (sum, avg)" or "[start;start2] word-spacing-word2 (sum, avg)".
bool parse_word_line(const std::string& line, ReportedWord& w, int& ret_width) {
  int seq = 0, consumed = 0;
  if (std::sscanf(line.c_str(), "%d:%n", &seq, &consumed) != 1 || consumed == 0) return false;
  const std::string rest = line.substr(ix(consumed));
  w = ReportedWord{};
  w.seq = seq;
  const std::size_t paren = rest.rfind(" (");
  const std::size_t sp =
      paren == std::string::npos || paren == 0 ? std::string::npos : rest.rfind(' ', paren - 1);
  const std::size_t lb =
      sp == std::string::npos || sp == 0 || rest[sp - 1] != ']' ? std::string::npos : rest.rfind('[', sp - 1);
  if (lb != std::string::npos && rest.back() == ')') {
    // A word line, if it reads back as one.
    double avg = 0;
    if (std::sscanf(rest.c_str() + paren, " (%d, %lf)", &w.prox_sum, &avg) == 2) {
      w.average = hundredths(avg);
      const std::string bracket = rest.substr(lb + 1, sp - 1 - lb - 1);
      const std::string token = rest.substr(sp + 1, paren - sp - 1);
      std::string name = rest.substr(0, lb);
      const int W = static_cast<int>(lb);
      rtrim(name);
      const std::size_t semi = bracket.find(';');
      std::size_t i = 0;
      bool ok = false;
      // Both strands (-RC): a strand sign behind each start, the same for both words.
      const auto sign = [&](std::size_t& k) {
        if (k < bracket.size() && (bracket[k] == '+' || bracket[k] == '-') &&
            (w.strand == 0 || w.strand == bracket[k])) {
          w.strand = bracket[k++];
          return true;
        }
        return w.strand == 0;
      };
      if (semi == std::string::npos) {
        ok = take_int(bracket, i, w.start) && sign(i) && i == bracket.size() &&
             token.find('-') == std::string::npos;
        w.word = token;
        ok =
            ok &&
            (w.strand == 0
                 ? printed_as(line, kLineOneWord, seq, W, W, name.c_str(), w.start,
                              static_cast<int>(w.word.size()), w.word.c_str(), w.prox_sum, w.average * 0.01)
                 : printed_as(line, kLineOneWordStrand, seq, W, W, name.c_str(), w.start, w.strand,
                              static_cast<int>(w.word.size()), w.word.c_str(), w.prox_sum, w.average * 0.01));
      } else {
        const std::size_t d1 = token.find('-'), d2 = token.rfind('-');
        std::size_t j = 0;
        ok = take_int(bracket, i, w.start) && sign(i) && i == semi && take_int(bracket, ++i, w.start2) &&
             sign(i) && i == bracket.size() && d1 != std::string::npos && d2 > d1 + 1;
        if (ok) {
          const std::string gap = token.substr(d1 + 1, d2 - d1 - 1);
          ok = take_int(gap, j, w.spacing) && j == gap.size();
          w.word = token.substr(0, d1);
          w.word2 = token.substr(d2 + 1);
        }
        ok = ok && (w.strand == 0 ? printed_as(line, kLineWordPair, seq, W, W, name.c_str(), w.start,
                                               w.start2, static_cast<int>(w.word.size()), w.word.c_str(),
                                               w.spacing, static_cast<int>(w.word2.size()), w.word2.c_str(),
                                               w.prox_sum, w.average * 0.01)
                                  : printed_as(line, kLineWordPairStrand, seq, W, W, name.c_str(), w.start,
                                               w.strand, w.start2, w.strand, static_cast<int>(w.word.size()),
                                               w.word.c_str(), w.spacing, static_cast<int>(w.word2.size()),
                                               w.word2.c_str(), w.prox_sum, w.average * 0.01));
      }
      if (ok) {
        w.has_word = true;
        w.name = name;
        ret_width = W;
        return true;
      }
      w = ReportedWord{};
      w.seq = seq;
    }
  }
  // A sequence without a word: its name alone, padded to the width.
  w.name = rest;
  rtrim(w.name);
  ret_width = static_cast<int>(rest.size());
  return printed_as(line, kLineNoWord, seq, ret_width, ret_width, w.name.c_str());
}

}  // namespace result_reading
