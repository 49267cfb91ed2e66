// history_reader.cpp: reading a korvax history file.
#include "history_file.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "history_layout.hpp"
#include "portion.hpp"
#include "settings.hpp"

namespace {

bool within(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) return fields;
    at = tab + 1;
  }
}

// A whole field as a decimal number.
bool whole_int(const std::string& s, int& ret) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L) return false;
  ret = static_cast<int>(v);
  return true;
}

// A whole field as a value shown with two decimals, in hundredths.
bool whole_hundredths(const std::string& s, int& ret) {
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (s.empty() || *end != '\0' || !(std::fabs(v) < 2.1e7)) return false;
  ret = static_cast<int>(std::lround(v * 100.0));
  return true;
}

template <class... A>
void print(std::string& to, const char* fmt, A... args) {
  char buf[512];
  const int len = std::snprintf(buf, sizeof buf, fmt, args...);
  if (len >= 0 && ix(len) < sizeof buf) {
    to += buf;
    return;
  }
  std::string big(ix(len < 0 ? 0 : len) + 1, '\0');
  std::snprintf(big.data(), big.size(), fmt, args...);
  big.pop_back();
  to += big;
}

// A start as printed, with the strand sign that follows it in a run on both
// strands (-RC): "61" or "61-". Both words of a pair lie on one strand.
bool take_start(std::string text, int& ret, char& strand) {
  char sign = 0;
  if (!text.empty() && (text.back() == '+' || text.back() == '-')) {
    sign = text.back();
    text.pop_back();
  }
  if (strand != 0 && sign != strand) return false;
  strand = sign;
  return whole_int(text, ret);
}

// The four columns of one sequence of a row: start(s), quoted text, sum, percent.
bool parse_word(const std::string* f, int l, int l2, HistoryWord& w) {
  const std::string& text = f[1];
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  const std::string inner = text.substr(1, text.size() - 2);
  if (!whole_int(f[2], w.prox_sum) || !whole_hundredths(f[3], w.average)) return false;
  w.has_word = !inner.empty();
  // A sequence without a word shows its index past its letters (at most
  // korvax's word indices); a word starts within the letters korvax reads.
  const int last = w.has_word ? kMaxLetters : kMaxWordIndex + kMaxWordLen + kMaxSpacing + 1;
  if (l2 == 0) {
    if (!take_start(f[0], w.start, w.strand) || !within(w.start, w.has_word ? 1 : 0, last)) return false;
    if (w.strand != 0 && !w.has_word) return false;
    w.word = inner;
    return !w.has_word || static_cast<int>(inner.size()) == l;
  }
  const std::size_t comma = f[0].find(',');
  if (comma == std::string::npos || !take_start(f[0].substr(0, comma), w.start, w.strand) ||
      !take_start(f[0].substr(comma + 1), w.start2, w.strand) || !within(w.start, w.has_word ? 1 : 0, last) ||
      !within(w.start2, w.has_word ? 1 : 0, last) || (w.strand != 0 && !w.has_word))
    return false;
  if (!w.has_word) return true;
  const std::size_t d1 = inner.find('-'), d2 = inner.rfind('-');
  if (d1 == std::string::npos || d2 <= d1 + 1 || !whole_int(inner.substr(d1 + 1, d2 - d1 - 1), w.spacing) ||
      !within(w.spacing, 0, kMaxSpacing))
    return false;
  w.word = inner.substr(0, d1);
  w.word2 = inner.substr(d2 + 1);
  // On the reverse strand the second word lies to the left of the first.
  const bool placed =
      w.strand == '-' ? w.start2 == w.start - w.spacing - l2 : w.start2 == w.start + l + w.spacing;
  return static_cast<int>(w.word.size()) == l && static_cast<int>(w.word2.size()) == l2 && placed;
}

// A row of n sequences; true when it reads back as korvax writes it.
bool parse_row(const std::vector<std::string>& f, std::size_t n, int l, int l2, HistoryRow& r) {
  if (f.size() != 7 + 5 * n) return false;
  if (!whole_int(f[0], r.serial) || !whole_int(f[1], r.p_index) || !whole_int(f[2], r.q_index) ||
      !whole_int(f[3], r.power) || !whole_int(f[4], r.new_words) || !whole_hundredths(f[5], r.quality) ||
      !whole_hundredths(f[6], r.avg_proximity) || r.serial < 0 || !within(r.power, 0, static_cast<int>(n)))
    return false;
  std::string again;
  print(again, kHistoryRow, r.serial, r.p_index, r.q_index, r.power, r.new_words, r.quality * 0.01,
        r.avg_proximity * 0.01);
  r.words.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    HistoryWord& w = r.words[i];
    if (!parse_word(&f[7 + 4 * i], l, l2, w)) return false;
    const double pct = w.average * 0.01;
    if (w.strand != 0 && l2 == 0)
      print(again, kHistoryOneWordStrand, w.start, w.strand, static_cast<int>(w.word.size()), w.word.c_str(),
            w.prox_sum, pct);
    else if (w.strand != 0)
      print(again, kHistoryWordPairStrand, w.start, w.strand, w.start2, w.strand, l, w.word.c_str(),
            w.spacing, l2, w.word2.c_str(), w.prox_sum, pct);
    else if (l2 == 0)
      print(again, kHistoryOneWord, w.start, static_cast<int>(w.word.size()), w.word.c_str(), w.prox_sum,
            pct);
    else if (w.has_word)
      print(again, kHistoryWordPair, w.start, w.start2, l, w.word.c_str(), w.spacing, l2, w.word2.c_str(),
            w.prox_sum, pct);
    else
      print(again, kHistoryNoPair, w.start, w.start2, w.prox_sum, pct);
  }
  std::vector<bool> seen(n + 1, false);
  for (std::size_t k = 0; k < n; ++k) {
    int v = 0;
    if (!whole_int(f[7 + 4 * n + k], v) || !within(v, 1, static_cast<int>(n)) || seen[ix(v)]) return false;
    seen[ix(v)] = true;
    r.perm.push_back(v);
    print(again, kHistoryPerm, v);
  }
  std::string line;
  for (std::size_t k = 0; k < f.size(); ++k) line += (k == 0 ? "" : "\t") + f[k];
  return again == line;
}

// A header line: the names of its n = (fields - 7) / 5 sequences.
bool parse_header(const std::vector<std::string>& f, HistoryPortion& p) {
  if (f.size() < 7 || (f.size() - 7) % 5 != 0) return false;
  const std::size_t n = (f.size() - 7) / 5;
  if (n < 2 || n > ix(kMaxSeqs)) return false;
  std::string again = kHistoryHead, line;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& quoted = f[7 + 4 * i + 1];
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
    p.names.push_back(quoted.substr(1, quoted.size() - 2));
    const int W = static_cast<int>(p.names.back().size());
    const int number = static_cast<int>(i) + 1;
    print(again, kHistoryHeadSeq, number, W, W, p.names.back().c_str(), number, number);
  }
  for (std::size_t i = 0; i < n; ++i) print(again, kHistoryHeadPerm, static_cast<int>(i) + 1);
  for (std::size_t k = 0; k < f.size(); ++k) line += (k == 0 ? "" : "\t") + f[k];
  return again == line;
}

}  // namespace

Status read_history_file(std::FILE* in, int l, int l2, HistoryFile& ret, ResultError& err) noexcept {
  err = {};
  Status st = 0;
  try {
    HistoryFile file;
    std::string line;
    int line_no = 0, c = 0;
    while (st == 0 && c != EOF) {
      line.clear();
      while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
      if (c == EOF && line.empty()) break;
      ++line_no;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::vector<std::string> fields = split_tabs(line);
      if (line.rfind(kHistoryHead, 0) == 0) {
        file.portions.emplace_back();
        file.portions.back().line = line_no;
        if (!parse_header(fields, file.portions.back())) {
          err = {line_no, "a header line of the history file cannot be read"};
          st = ERDATA;
        }
        continue;
      }
      HistoryRow r;
      r.line = line_no;
      if (file.portions.empty() || !parse_row(fields, file.portions.back().names.size(), l, l2, r)) {
        err = {line_no, "not a row of a korvax history file of these word lengths"};
        st = ERDATA;
        continue;
      }
      file.portions.back().rows.push_back(std::move(r));
    }
    if (st == 0 && std::ferror(in)) {
      err = {0, "the file cannot be read"};
      st = ERIO;
    }
    if (st == 0) ret = std::move(file);
  } catch (const std::bad_alloc&) {
    err = {0, "out of memory"};
    st = ERMEM;
  } catch (const std::exception& e) {
    err = {0, std::string("internal error in the reader: ") + e.what()};
    st = ERINT;
  }
  return st;
}

Status read_history_path(const char* path, int l, int l2, HistoryFile& ret, ResultError& err) noexcept {
  err = {};
  std::FILE* in = std::fopen(path, "r");
  if (in == nullptr) {
    err = {0, std::string("cannot open: ") + std::strerror(errno)};
    return ERIO;
  }
  const Status st = read_history_file(in, l, l2, ret, err);
  std::fclose(in);
  return st;
}

Status check_history_rows(const HistoryPortion& h, int sent, ResultError& err) noexcept {
  try {
    std::vector<bool> seen(ix(sent < 0 ? 0 : sent), false);
    for (const HistoryRow& r : h.rows) {
      if (r.serial >= sent || seen[ix(r.serial)]) {
        err = {r.line, "a history row names permutation " + std::to_string(r.serial) + ", but the run sent " +
                           std::to_string(sent) + " (0.." + std::to_string(sent - 1) + "), each once"};
        return ERDATA;
      }
      seen[ix(r.serial)] = true;
    }
    if (h.rows.size() != ix(sent)) {
      err = {h.line, "the history holds " + std::to_string(h.rows.size()) +
                         " rows for this data portion, but the run "
                         "sent " +
                         std::to_string(sent) +
                         " permutations and writes one row for each: a cut history file?"};
      return ERDATA;
    }
    return 0;
  } catch (const std::bad_alloc&) {
    err = {0, "out of memory"};
    return ERMEM;
  }
}
