// fasta.cpp: reading FASTA and FASTQ, gzip-compressed or plain.
//
// Contents
//   1. Lines from a gzip or plain stream
//   2. Headers and sequence lines
//   3. FASTA and FASTQ records
//   4. The file
#include "fasta.hpp"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "alphabet.hpp"

namespace {

// ---- 1. Lines from a gzip or plain stream ----

// zlib reads plain text unchanged, so one reader serves both.
struct LineStream {
  gzFile f = nullptr;
  char buf[1 << 16];
  std::size_t len = 0, pos = 0;
  bool eof = false;
  bool after_cr = false;  // a line feed right after a carriage return ends nothing
  long line_no = 0;       // of the line last returned
};

// Reads the next line, its line end removed. Returns 1, 0 at the end of the
// stream, -1 on a read error.
int next_line(LineStream& s, std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (s.pos == s.len) {
      if (s.eof) break;
      const int k = gzread(s.f, s.buf, sizeof s.buf);
      if (k < 0) return -1;
      if (k == 0) {
        int code = Z_OK;
        gzerror(s.f, &code);
        if (code == Z_BUF_ERROR) return -1;  // gzip data cut short
        s.eof = true;
        break;
      }
      s.len = static_cast<std::size_t>(k);
      s.pos = 0;
    }
    if (s.after_cr) {
      s.after_cr = false;
      if (s.buf[s.pos] == '\n') ++s.pos;
      continue;
    }
    any = true;
    const char* start = s.buf + s.pos;
    const std::size_t rest = s.len - s.pos;
    std::size_t k = 0;
    while (k < rest && start[k] != '\n' && start[k] != '\r') ++k;
    line.append(start, k);
    s.pos += k;
    if (k < rest) {
      s.after_cr = start[k] == '\r';
      ++s.pos;
      ++s.line_no;
      return 1;
    }
  }
  if (!any) return 0;
  ++s.line_no;
  return 1;
}

std::string read_error(gzFile f) {
  int code = 0;
  gzerror(f, &code);
  if (code == Z_ERRNO) return std::strerror(errno);
  const std::string text = gzerror(f, &code);  // "<path>: <what>"
  const std::size_t at = text.rfind(": ");
  return "damaged gzip data: " + (at == std::string::npos ? text : text.substr(at + 2));
}

// ---- 2. Headers and sequence lines ----

bool blank(char c) noexcept { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool is_blank_line(const std::string& line) noexcept {
  return std::all_of(line.begin(), line.end(), blank);
}

// The header after its mark: the first word is the name, the rest a description.
void take_header(const std::string& line, long line_no, FastaRecord& r) {
  std::size_t a = 1;
  while (a < line.size() && blank(line[a])) ++a;
  std::size_t b = a;
  while (b < line.size() && !blank(line[b])) ++b;
  r.name.assign(line, a, b - a);
  r.described = !is_blank_line(line.substr(b));
  r.line = line_no;
}

// Appends the letters of one sequence line: blanks are left out, and the
// characters korvax drops are counted and left out.
void take_letters(const std::string& line, long line_no, FastaRecord& r) {
  if (is_blank_line(line)) return;
  r.lines.push_back({r.letters.size(), line_no});
  for (const char c : line) {
    if (blank(c)) continue;
    if (is_dropped(c)) {
      ++r.dropped;
      continue;
    }
    r.letters += c;
  }
}

std::size_t count_nonblank(const std::string& line) noexcept {
  return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) { return !blank(c); }));
}

// ---- 3. FASTA and FASTQ records ----

std::string at_line(long line_no, const std::string& text) {
  return "line " + std::to_string(line_no) + ": " + text;
}

// What a file that is neither FASTA nor FASTQ looks like, from its first line.
std::string not_fasta(const std::string& first, long line_no) {
  static const struct {
    const char* magic;
    std::size_t len;
    const char* what;
  } kPacked[] = {{"BZh", 3, "bzip2"}, {"\xfd" "7zXZ", 5, "xz"}, {"PK\x03\x04", 4, "zip"},
                 {"\x28\xb5\x2f\xfd", 4, "zstd"}};
  for (const auto& p : kPacked)
    if (first.compare(0, p.len, p.magic, p.len) == 0)
      return std::string("compressed with ") + p.what +
             "; korvax-prep reads gzip or plain text: uncompress it first";
  std::string shown = first.substr(0, 20);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
  return at_line(line_no, "not FASTA or FASTQ: a record starts with '>' (FASTA) or '@' (FASTQ), this line with \"" +
                              shown + "\"");
}

Status read_fasta_records(LineStream& s, std::string& line, FastaInput& in, std::string& err) {
  int got = 1;
  do {
    if (line[0] == '>') {
      in.records.emplace_back();
      take_header(line, s.line_no, in.records.back());
    } else {
      take_letters(line, s.line_no, in.records.back());
    }
  } while ((got = next_line(s, line)) > 0);
  if (got < 0) {
    err = read_error(s.f);
    return ERIO;
  }
  return 0;
}

// A FASTQ record: the '@' header, sequence lines up to the '+' line, then
// quality lines until they hold as many characters as the sequence.
Status read_fastq_records(LineStream& s, std::string& line, FastaInput& in, std::string& err) {
  int got = 1;
  while (got > 0) {
    if (is_blank_line(line)) {
      got = next_line(s, line);
      continue;
    }
    if (line[0] != '@') {
      err = at_line(s.line_no, "a FASTQ record starts with '@'");
      return ERDATA;
    }
    in.records.emplace_back();
    FastaRecord& r = in.records.back();
    take_header(line, s.line_no, r);
    std::size_t seq_len = 0, qual_len = 0;
    while ((got = next_line(s, line)) > 0 && (line.empty() || line[0] != '+')) {
      take_letters(line, s.line_no, r);
      seq_len += count_nonblank(line);
    }
    const bool plus = got > 0;
    while (got > 0 && qual_len < seq_len && (got = next_line(s, line)) > 0) qual_len += count_nonblank(line);
    if (got < 0) break;
    if (!plus || qual_len != seq_len) {
      const char* what = !plus                ? "has no '+' line"
                         : qual_len < seq_len ? "ends before its quality does"
                                              : "has more quality than sequence";
      err = at_line(s.line_no, "FASTQ record '" + r.name + "' (line " + std::to_string(r.line) + ") " + what);
      return ERDATA;
    }
    got = next_line(s, line);
  }
  if (got < 0) {
    err = read_error(s.f);
    return ERIO;
  }
  return 0;
}

// ---- 4. The file ----

gzFile open_stream(const char* path) {
  if (std::strcmp(path, "-") != 0) return gzopen(path, "rb");
  const int fd = dup(STDIN_FILENO);
  if (fd < 0) return nullptr;
  gzFile f = gzdopen(fd, "rb");
  if (f == nullptr) close(fd);
  return f;
}

Status read_all(LineStream& s, FastaInput& in, std::string& err) {
  std::string line;
  int got;
  while ((got = next_line(s, line)) > 0 && is_blank_line(line)) {
  }
  if (got < 0) {
    err = read_error(s.f);
    return ERIO;
  }
  if (got == 0) return 0;  // no record at all
  if (s.line_no == 1 && line.compare(0, 3, "\xef\xbb\xbf") == 0) line.erase(0, 3);  // a UTF-8 mark
  if (line[0] == '>') return read_fasta_records(s, line, in, err);
  if (line[0] == '@') {
    in.fastq = true;
    return read_fastq_records(s, line, in, err);
  }
  err = not_fasta(line, s.line_no);
  return ERDATA;
}

}  // namespace

Status read_fasta(const char* path, FastaInput& ret_in, std::string& ret_error) noexcept {
  ret_in = {};
  ret_error.clear();
  errno = 0;
  std::unique_ptr<LineStream> s(new (std::nothrow) LineStream);
  if (!s) return ERMEM;
  s->f = open_stream(path);
  if (s->f == nullptr) {
    ret_error = errno != 0 ? std::strerror(errno) : "cannot open";
    return ERIO;
  }
  gzbuffer(s->f, 1 << 17);
  Status st = 0;
  try {
    st = read_all(*s, ret_in, ret_error);
  } catch (const std::bad_alloc&) {
    st = ERMEM;
  }
  gzclose(s->f);
  if (st != 0) ret_in = {};
  return st;
}

long line_of_letter(const FastaRecord& r, std::size_t offset) noexcept {
  const auto after = std::upper_bound(r.lines.begin(), r.lines.end(), offset,
                                      [](std::size_t o, const LineMark& m) { return o < m.offset; });
  return after == r.lines.begin() ? r.line : std::prev(after)->line;
}
