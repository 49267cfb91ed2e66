// result_file.cpp: reading a korvax result file.
//
// Contents
//   1. Lines: reading, and checking a line by printing it again
//   2. The lines of a report block, a portion and a run
//   3. The reader: one pass over the lines
//   4. After the pass: word lengths, alphabet, checks
//
// Every line that the reader takes is printed again with korvax's own format
// (include/report_layout.hpp) and must come out the same; a line that starts
// like a report line but does not is an error, everything else is passed over.
#include "result_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>

#include "alphabet.hpp"
#include "portion.hpp"
#include "report_layout.hpp"
#include "../proximity/background.hpp"
#include "../config/cmdline.hpp"

namespace {

// ---- 1. Lines ----

// Reads one line without its line end (LF, CRLF). False at the end of the file.
bool next_line(std::FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// True when fmt, printed with the arguments, gives line (plus its line end
// when fmt ends in one).
bool printed_as(const std::string& line, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
bool printed_as(const std::string& line, const char* fmt, ...) {
  std::va_list ap;
  va_start(ap, fmt);
  const int len = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  if (len < 0) return false;
  std::string text(static_cast<std::size_t>(len) + 1, '\0');
  va_start(ap, fmt);
  std::vsnprintf(text.data(), text.size(), fmt, ap);
  va_end(ap);
  text.pop_back();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text == line;
}

bool starts_with(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The text lit at s[i...]; false (never an exception) when i is past the end.
bool holds_at(const std::string& s, std::size_t i, const char* lit) {
  return i <= s.size() && s.compare(i, std::strlen(lit), lit) == 0;
}

// Within korvax's own limits: the values a run can write.
bool within(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The format's text up to its first conversion or line end: what every line
// of that kind starts with.
std::string lead_of(const char* fmt) {
  std::string s;
  for (; *fmt && *fmt != '%' && *fmt != '\n'; ++fmt) s += *fmt;
  return s;
}

void rtrim(std::string& s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
}

// A decimal number at s[i...]; advances i. False when no digit is there.
bool take_int(const std::string& s, std::size_t& i, int& ret) {
  const char* begin = s.c_str() + i;
  char* end = nullptr;
  const long v = std::strtol(begin, &end, 10);
  if (end == begin || v < -2147483647L || v > 2147483647L) return false;
  i += static_cast<std::size_t>(end - begin);
  ret = static_cast<int>(v);
  return true;
}

int hundredths(double v) { return static_cast<int>(std::lround(v * 100.0)); }

// ---- 2. The lines of a report block, a portion and a run ----

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

bool is_title(const std::string& line) { return starts_with(line, "Best ") && line.find(" result #") != std::string::npos; }

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
  std::size_t i = static_cast<std::size_t>(consumed);
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
  const std::string rest = line.substr(static_cast<std::size_t>(consumed));
  w = ReportedWord{};
  w.seq = seq;
  const std::size_t paren = rest.rfind(" (");
  const std::size_t sp = paren == std::string::npos || paren == 0 ? std::string::npos : rest.rfind(' ', paren - 1);
  const std::size_t lb = sp == std::string::npos || sp == 0 || rest[sp - 1] != ']' ? std::string::npos
                                                                                   : rest.rfind('[', sp - 1);
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
        if (k < bracket.size() && (bracket[k] == '+' || bracket[k] == '-') && (w.strand == 0 || w.strand == bracket[k])) {
          w.strand = bracket[k++];
          return true;
        }
        return w.strand == 0;
      };
      if (semi == std::string::npos) {
        ok = take_int(bracket, i, w.start) && sign(i) && i == bracket.size() && token.find('-') == std::string::npos;
        w.word = token;
        ok = ok && (w.strand == 0 ? printed_as(line, kLineOneWord, seq, W, W, name.c_str(), w.start,
                                               static_cast<int>(w.word.size()), w.word.c_str(), w.prox_sum,
                                               w.average * 0.01)
                                  : printed_as(line, kLineOneWordStrand, seq, W, W, name.c_str(), w.start, w.strand,
                                               static_cast<int>(w.word.size()), w.word.c_str(), w.prox_sum,
                                               w.average * 0.01));
      } else {
        const std::size_t d1 = token.find('-'), d2 = token.rfind('-');
        std::size_t j = 0;
        ok = take_int(bracket, i, w.start) && sign(i) && i == semi && take_int(bracket, ++i, w.start2) && sign(i) &&
             i == bracket.size() && d1 != std::string::npos && d2 > d1 + 1;
        if (ok) {
          const std::string gap = token.substr(d1 + 1, d2 - d1 - 1);
          ok = take_int(gap, j, w.spacing) && j == gap.size();
          w.word = token.substr(0, d1);
          w.word2 = token.substr(d2 + 1);
        }
        ok = ok && (w.strand == 0
                        ? printed_as(line, kLineWordPair, seq, W, W, name.c_str(), w.start, w.start2,
                                     static_cast<int>(w.word.size()), w.word.c_str(), w.spacing,
                                     static_cast<int>(w.word2.size()), w.word2.c_str(), w.prox_sum, w.average * 0.01)
                        : printed_as(line, kLineWordPairStrand, seq, W, W, name.c_str(), w.start, w.strand, w.start2,
                                     w.strand, static_cast<int>(w.word.size()), w.word.c_str(), w.spacing,
                                     static_cast<int>(w.word2.size()), w.word2.c_str(), w.prox_sum, w.average * 0.01));
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

bool background_text(const PortionParams& p, std::string& ret);

// The greatest weight korvax writes: that of half a letter among the most
// letters a portion holds (256 sequences of 4095 letters, twice with -RC).
int max_letter_weight() {
  return static_cast<int>(std::lround(kBitUnits * std::log2(2.0 * 2 * kMaxSeqs * kMaxLine)));
}

inline constexpr char kBackgroundLead[] = "background=1 (quarter bits)  weights=";

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
    if (close == std::string::npos || close - from > static_cast<std::size_t>(kMaxWordLen)) return false;
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
    while (i < line.size() && p.penalty.size() <= static_cast<std::size_t>(kMaxSpacing) && take_int(line, i, v)) {
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
  write_background(mem, s, weights);
  const bool ok = std::fclose(mem) == 0 && text != nullptr;
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
  for (const char* a = alphabet_letters(p.bg_acid); *a; ++a) heaviest = std::max(heaviest, p.bg_weight[*a - 'a']);
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
  if (p.penalty.size() != static_cast<std::size_t>(p.smax - p.smin + 1))
    return std::to_string(p.penalty.size()) + " spacing penalties for " + std::to_string(p.smax - p.smin + 1) +
           " spacings (korvax writes one per spacing)";
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
  if (sp == std::string::npos || sp < static_cast<std::size_t>(consumed)) return false;
  s.name = line.substr(static_cast<std::size_t>(consumed), sp - static_cast<std::size_t>(consumed));
  s.letters = line.substr(sp + 1);
  const int W = static_cast<int>(s.name.size());
  rtrim(s.name);
  return printed_as(line, kSequenceLine, s.seq, W, W, s.name.c_str(), s.letters.c_str());
}

// `N: "text"` of the echo; the program line ends in `"   [v.x]`.
bool parse_echo_line(const std::string& line, std::vector<std::string>& args) {
  int index = 0, consumed = 0;
  if (std::sscanf(line.c_str(), "%d: \"%n", &index, &consumed) != 1 || consumed == 0) return false;
  if (index != static_cast<int>(args.size())) return false;
  const std::size_t close = index == 0 ? line.rfind("\"   [v.") : line.rfind('"');
  if (close == std::string::npos || close < static_cast<std::size_t>(consumed)) return false;
  args.push_back(line.substr(static_cast<std::size_t>(consumed), close - static_cast<std::size_t>(consumed)));
  return true;
}

// Replays the echoed options into the run's settings, as korvax parsed them.
void replay_options(ResultRun& run) noexcept {
  run.settings = Settings{};
  (void)apply_arguments(run.arguments, 1, run.settings);
  (void)derive_settings(run.settings);
  run.settings_known = true;
  run.acid = run.settings.acid;
}

// ---- 3. The reader ----

enum class Expect { anything, block, params_extra, sequences, echo };

struct Reader {
  ResultFile& file;
  ResultError& err;
  Expect expect = Expect::anything;
  bool secondary = false;    // inside the copied secondary files
  bool tasks_line = false;   // the current run has its "Number of parallel tasks" line
  int line_no = 0;

  ResultRun& run() {
    if (file.runs.empty()) start_run();
    return file.runs.back();
  }
  void start_run() {
    file.runs.emplace_back();
    file.runs.back().line = line_no;
    secondary = false;
    tasks_line = false;
  }
  ResultPortion& start_portion() {
    ResultRun& r = run();
    r.portions.emplace_back();
    r.portions.back().number = static_cast<int>(r.portions.size());
    r.portions.back().line = line_no;
    return r.portions.back();
  }
  ResultPortion* portion() {
    if (file.runs.empty() || file.runs.back().portions.empty()) return nullptr;
    return &file.runs.back().portions.back();
  }

  Status fail(const char* what) {
    err.line = line_no;
    err.what = what;
    return ERDATA;
  }

  // A report block ends at its empty line (or the end of the file): all its
  // lines show one name width, and it has as many words as its power.
  Status close_block() {
    ReportedResult& r = portion()->results.back();
    std::vector<bool> seen(r.perm.size() + 1, false);
    for (int v : r.perm) {
      if (!within(v, 1, static_cast<int>(r.perm.size())) || seen[static_cast<std::size_t>(v)] ||
          r.words.size() > r.perm.size()) {
        line_no = r.line + 1;
        return fail("the permutation line of a reported result is not an order of its sequences");
      }
      seen[static_cast<std::size_t>(v)] = true;
    }
    int words = 0;
    for (const ReportedWord& w : r.words) words += w.has_word ? 1 : 0;
    if (words != r.power) {
      line_no = r.line;
      return fail("a reported result does not show as many words as its power");
    }
    return 0;
  }

  Status take(const std::string& line) {
    switch (expect) {
      case Expect::block: {
        ReportedResult& r = portion()->results.back();
        if (line.empty()) {
          expect = Expect::anything;
          return close_block();
        }
        if (r.words.empty() && !r.has_perm && (line[0] == 'P' || line[0] == 'Q')) {
          if (!parse_perm(line, r)) return fail("the permutation line of a reported result cannot be read");
          return 0;
        }
        ReportedWord w;
        int width = 0;
        if (!parse_word_line(line, w, width)) return fail("a sequence line of a reported result cannot be read");
        if (r.name_width >= 0 && width != r.name_width)
          return fail("a sequence line of a reported result has another name width than the lines before it");
        const PortionParams& params = portion()->params;
        if (!within(w.seq, 1, params.known ? params.n : kMaxSeqs) || (!r.words.empty() && w.seq <= r.words.back().seq))
          return fail("the sequence numbers of a reported result are not increasing from 1, each once and at most n, "
                      "as korvax writes them");
        if (w.has_word && (!within(w.start, 1, kMaxLetters) || (w.start2 != 0 && !within(w.start2, 1, kMaxLetters)) ||
                           !within(w.spacing, 0, kMaxSpacing)))
          return fail("a word of a reported result starts outside the letters korvax reads (1..4095)");
        w.line = line_no;
        r.name_width = width;
        r.words.push_back(std::move(w));
        return 0;
      }
      case Expect::params_extra: {
        expect = Expect::anything;
        PortionParams& params = portion()->params;
        if (!parse_params_extra(line, params)) return fail("the line after the parameters line cannot be read");
        if (const std::string bad = params_out_of_range(params); !bad.empty()) {
          --line_no;
          err.line = line_no;
          err.what = "the parameters lines hold what korvax cannot write: " + bad;
          return ERDATA;
        }
        return 0;
      }
      case Expect::sequences: {
        if (line.empty()) {
          expect = Expect::anything;
          return 0;
        }
        ListedSequence s;
        s.line = line_no;
        if (parse_sequence_line(line, s)) portion()->sequences.push_back(std::move(s));
        return 0;  // a line of a portion that korvax skips may hold anything
      }
      case Expect::echo:
        if (line.empty()) {
          expect = Expect::anything;
          replay_options(run());
          return 0;
        }
        if (!parse_echo_line(line, run().arguments)) return fail("a line of the echo of the arguments cannot be read");
        return 0;
      case Expect::anything: break;
    }

    if (line == kSeparator) {
      secondary = true;
      return 0;
    }
    if (starts_with(line, lead_of(kGlobalRc).c_str())) {
      int rc = 0, secs = 0;
      if (std::sscanf(line.c_str(), kGlobalRc, &rc, &secs) >= 1) {
        run().ended = true;
        run().global_rc = rc;
        secondary = false;
      }
      return 0;
    }
    if (line + "\n" == kEchoTitle) {
      start_run();
      expect = Expect::echo;
      return 0;
    }
    int task = -1, tasks = 0;
    if (starts_with(line, lead_of(kTasksLine).c_str()) && std::sscanf(line.c_str(), kTasksLine, &task, &tasks) == 2 &&
        task == 0) {
      // The first line of a run, after the echo when there is one.
      if (file.runs.empty() || tasks_line || !run().portions.empty()) start_run();
      tasks_line = true;
      secondary = false;
      return 0;
    }
    if (secondary) return 0;

    if (starts_with(line, "n=")) {
      PortionParams p;
      if (!parse_params(line, p)) return fail("a parameters line cannot be read");
      if (!within(p.n, 0, 1 << 20)) return fail("a parameters line holds a number of sequences korvax cannot write");
      start_portion().params = std::move(p);
      expect = Expect::params_extra;
      return 0;
    }
    if (line + "\n" == kSequencesTitle) {
      if (portion() != nullptr && portion()->sequences.empty()) expect = Expect::sequences;
      return 0;
    }
    if (line[0] == '[' && printed_as(line, kSkipped, 0)) {
      ResultPortion* p = portion();
      if (p == nullptr || !p->results.empty() || p->skipped) p = &start_portion();
      p->skipped = true;
      return 0;
    }
    if (is_title(line)) {
      ReportedResult r;
      r.line = line_no;
      if (!parse_title(line, r)) return fail("the title of a reported result cannot be read");
      if (r.place < 1 || r.serial < 0 || r.serial >= r.sent || !within(r.power, 0, kMaxSeqs))
        return fail("the title of a reported result holds what korvax cannot write (a place from 1, a serial "
                    "below the permutations sent, a power of 0..256)");
      // Place 1 by quality opens the report of a portion; at diagnostics
      // level 0, where no parameters line is written, it opens the portion.
      ResultPortion* p = portion();
      if (p == nullptr || p->skipped ||
          (r.ranking == Ranking::quality && r.place == 1 && !p->results.empty())) {
        if (p != nullptr && !p->skipped && p->params.known)
          return fail("a second report follows the report of a data portion without its parameters line, which "
                      "korvax writes before each (a repeated block?)");
        p = &start_portion();
      }
      for (const ReportedResult& x : p->results)
        if (x.ranking == r.ranking && x.place == r.place)
          return fail("a reported result repeats a place of its data portion (korvax writes each once)");
      p->results.push_back(std::move(r));
      expect = Expect::block;
      return 0;
    }
    return 0;  // any other diagnostics line
  }
};

// ---- 4. After the pass ----

bool only_letters(const std::string& s, const char* letters) {
  for (char c : s)
    if (std::strchr(letters, std::tolower(static_cast<unsigned char>(c))) == nullptr || c == '\0') return false;
  return true;
}

Status fail_at(ResultError& err, int line, std::string what) {
  err.line = line;
  err.what = std::move(what);
  return ERDATA;
}

// Word lengths from the parameters or the words; every word must have them,
// and a word pair its second word after its spacing.
Status check_words(ResultPortion& p, ResultError& err) {
  p.l = p.params.known ? p.params.l : 0;
  p.l2 = p.params.known ? p.params.l2 : 0;
  for (const ReportedResult& r : p.results)
    for (const ReportedWord& w : r.words) {
      if (!w.has_word) continue;
      if (p.l == 0) {
        p.l = static_cast<int>(w.word.size());
        p.l2 = static_cast<int>(w.word2.size());
      }
      if (static_cast<int>(w.word.size()) != p.l || static_cast<int>(w.word2.size()) != p.l2 ||
          (p.l2 == 0) != (w.start2 == 0))
        return fail_at(err, r.line, "the words of a reported result do not have the word lengths of their data portion");
      // On the reverse strand (-RC) the given strand's places run backwards:
      // the second word stands its spacing before the first.
      const int start2 = w.strand == '-' ? w.start - w.spacing - p.l2 : w.start + p.l + w.spacing;
      if (p.l2 != 0 && (w.start2 != start2 ||
                        (p.params.spacing_given && !within(w.spacing, p.params.smin, p.params.smax))))
        return fail_at(err, w.line, "the second word of a word pair does not start at its spacing after the first, "
                                    "within the spacings of its data portion");
    }
  return 0;
}

// A listed sequence's letters without the junction that joins its two
// strands under -RC (korvax lists them as given|reverse complement).
std::string listed_letters(const ResultPortion& p, const std::string& letters) {
  const std::size_t bar = letters.find('|');
  if (!p.params.both_strands || bar == std::string::npos) return letters;
  return letters.substr(0, bar) + letters.substr(bar + 1);
}

// The alphabet from the echo, or from the letters when there is none (any
// letter of the amino acids that is not a nucleotide's); a letter outside
// it is refused.
Status check_alphabet(ResultRun& run, ResultError& err) {
  if (!run.settings_known) {
    bool dna = true, amino = true;
    const auto take = [&](const std::string& letters) {
      dna = dna && only_letters(letters, kNucleotides);
      amino = amino && only_letters(letters, kAminoAcids);
    };
    for (const ResultPortion& p : run.portions) {
      for (const ReportedResult& r : p.results)
        for (const ReportedWord& w : r.words) {
          take(w.word);
          take(w.word2);
        }
      if (!p.skipped)
        for (const ListedSequence& s : p.sequences) take(listed_letters(p, s.letters));
    }
    run.acid = !dna && amino;   // letters of neither alphabet: refused below as DNA's
    run.acid_guessed = true;
    // -BG1 weights name every letter of the alphabet: they tell it for sure.
    for (const ResultPortion& p : run.portions)
      if (p.params.background == 1) {
        run.acid = p.params.bg_acid;
        run.acid_guessed = false;
        break;
      }
  }
  for (const ResultPortion& p : run.portions)
    if (p.params.background == 1 && p.params.bg_acid != run.acid)
      return fail_at(err, p.line + 1, std::string("the letter weights of the parameters line are of the ") +
                                          (p.params.bg_acid ? "amino-acid" : "DNA") + " alphabet, the run's is " +
                                          (run.acid ? "amino-acid" : "DNA"));
  const char* letters = run.acid ? kAminoAcids : kNucleotides;
  const std::string which = std::string(run.acid ? "amino-acid" : "DNA") + " alphabet (" + letters + ")" +
                            (run.acid_guessed ? ", told by the letters as no echo of the arguments shows it" : "");
  for (const ResultPortion& p : run.portions) {
    for (const ReportedResult& r : p.results)
      for (const ReportedWord& w : r.words)
        if (!only_letters(w.word, letters) || !only_letters(w.word2, letters))
          return fail_at(err, w.line, "a word holds a letter outside the run's " + which);
    if (!p.skipped)
      for (const ListedSequence& s : p.sequences)
        if (!only_letters(listed_letters(p, s.letters), letters))
          return fail_at(err, s.line, "a listed sequence holds a letter outside the run's " + which);
  }
  return 0;
}

Status finish(ResultFile& file, ResultError& err) {
  for (ResultRun& run : file.runs) {
    for (ResultPortion& p : run.portions)
      if (Status st = check_words(p, err); st != 0) return st;
    if (Status st = check_alphabet(run, err); st != 0) return st;
  }
  return 0;
}

}  // namespace

Status read_result_file(std::FILE* in, ResultFile& ret, ResultError& err) noexcept {
  err = {};
  try {
    ResultFile file;
    Reader rd{file, err};
    std::string line;
    while (next_line(in, line)) {
      ++rd.line_no;
      if (Status st = rd.take(line); st != 0) return st;
    }
    if (std::ferror(in)) {
      err = {0, "the file cannot be read"};
      return ERIO;
    }
    if (rd.expect == Expect::block) {
      if (Status st = rd.close_block(); st != 0) return st;
    } else if (rd.expect == Expect::echo) {
      replay_options(rd.run());
    }
    if (file.runs.empty()) {
      err = {0, "not a korvax result file: no line of a korvax result was found"};
      return ERDATA;
    }
    if (Status st = finish(file, err); st != 0) return st;
    ret = std::move(file);
    return 0;
  } catch (const std::bad_alloc&) {
    err = {0, "out of memory"};
    return ERMEM;
  } catch (const std::exception& e) {
    err = {0, std::string("internal error in the reader: ") + e.what()};
    return ERINT;
  }
}

Status read_result_path(const char* path, ResultFile& ret, ResultError& err) noexcept {
  const bool stdin_wanted = std::strcmp(path, "-") == 0;
  std::FILE* in = stdin_wanted ? stdin : std::fopen(path, "r");
  if (in == nullptr) {
    err = {0, std::string("cannot open: ") + std::strerror(errno)};
    return ERIO;
  }
  const Status st = read_result_file(in, ret, err);
  if (!stdin_wanted) std::fclose(in);
  return st;
}

bool run_unfinished(const ResultRun& run) noexcept {
  if (run.ended) return false;
  for (const ResultPortion& p : run.portions)
    if (p.params.known) return true;
  return false;
}

const char* unfinished_run_text() noexcept {
  return "the run has no closing \"Global RC\" line: korvax did not finish it (killed, or still running), "
         "so its last data portion may be missing or cut; refused";
}

const ReportedResult* find_result(const ResultPortion& p, Ranking r, int place) noexcept {
  const ReportedResult* quality = nullptr;
  for (const ReportedResult& x : p.results) {
    if (x.place != place) continue;
    if (x.ranking == r) return &x;
    if (x.ranking == Ranking::quality) quality = &x;
  }
  return r == Ranking::avg_proximity ? quality : nullptr;
}

std::string letter_weights_text(const int* weight, bool acid) {
  std::string t;
  for (const char* a = alphabet_letters(acid); *a; ++a)
    t += (t.empty() ? "" : ",") + std::string(1, *a) + ":" + std::to_string(weight[*a - 'a']);
  return t;
}

bool apply_arguments(const std::vector<std::string>& args, std::size_t first, Settings& s,
                     std::string* ret_refused) noexcept {
  bool all = true;
  for (std::size_t i = first; i < args.size(); ++i) {
    const char* a = args[i].c_str();
    bool help = false;
    if ((a[0] == '-' || a[0] == '/') && (!apply_option(a, s, &help) || help) && all) {
      all = false;
      if (ret_refused != nullptr) *ret_refused = args[i];
    }
  }
  return all;
}
