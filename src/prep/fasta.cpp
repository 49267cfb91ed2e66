// fasta.cpp: reading FASTA and FASTQ, gzip-compressed or plain.
//
// Contents
//   1. Lines from a gzip or plain stream
//   2. Headers and sequence lines
//   3. FASTA and FASTQ records
//   4. The file
#include "fasta.hpp"

#include <fcntl.h>
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

// The bytes of a file, inflated when it starts with the gzip mark. Members
// follow one another (as `cat a.gz b.gz` makes them); anything else after a
// member is refused, not dropped, since it holds data the user meant to give.
struct ByteSource {
  int fd = -1;
  bool gzip = false;
  bool raw_eof = false;
  bool member_done = false;         // the last member ended; another may follow
  unsigned long long raw_read = 0;  // bytes read from the file
  z_stream z{};
  bool z_open = false;
  unsigned char raw[1 << 16];
  std::string error;  // why reading failed
  ~ByteSource() {
    if (z_open) inflateEnd(&z);
    if (fd >= 0) close(fd);
  }
};

// Reads more raw bytes behind the unread ones. Returns false on a read error.
bool read_raw(ByteSource& b) {
  if (b.z.avail_in > 0 && b.z.next_in != b.raw) std::memmove(b.raw, b.z.next_in, b.z.avail_in);
  b.z.next_in = b.raw;
  for (;;) {
    const ssize_t k = read(b.fd, b.raw + b.z.avail_in, sizeof b.raw - b.z.avail_in);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) {
      b.error = std::strerror(errno);
      return false;
    }
    if (k == 0) b.raw_eof = true;
    b.z.avail_in += static_cast<uInt>(k);
    b.raw_read += static_cast<unsigned long long>(k);
    return true;
  }
}

// Tells gzip from plain text by the first two bytes.
bool start_source(ByteSource& b) {
  while (b.z.avail_in < 2 && !b.raw_eof)
    if (!read_raw(b)) return false;
  b.gzip = b.z.avail_in >= 2 && b.raw[0] == 0x1f && b.raw[1] == 0x8b;
  if (b.gzip) {
    if (inflateInit2(&b.z, 15 + 16) != Z_OK) {
      b.error = "out of memory";
      return false;
    }
    b.z_open = true;
  }
  return true;
}

// Fills out with up to size bytes. Returns their count, 0 at the end, -1 on
// an error (b.error says which).
long next_bytes(ByteSource& b, char* out, std::size_t size) {
  if (!b.gzip) {
    if (b.z.avail_in == 0 && !b.raw_eof && !read_raw(b)) return -1;
    const std::size_t k = std::min<std::size_t>(b.z.avail_in, size);
    std::memcpy(out, b.z.next_in, k);
    b.z.next_in += k;
    b.z.avail_in -= static_cast<uInt>(k);
    return static_cast<long>(k);
  }
  for (;;) {
    if (b.z.avail_in == 0 && !b.raw_eof && !read_raw(b)) return -1;
    if (b.member_done) {
      if (b.z.avail_in == 0) return 0;
      if (b.z.next_in[0] != 0x1f) {
        b.error =
            "damaged gzip data: the bytes from offset " + std::to_string(b.raw_read - b.z.avail_in) +
            " on are not gzip data (a plain file appended to a gzip file? uncompress the gzip part first)";
        return -1;
      }
      inflateReset(&b.z);
      b.member_done = false;
    }
    b.z.next_out = reinterpret_cast<Bytef*>(out);
    b.z.avail_out = static_cast<uInt>(size);
    const int r = inflate(&b.z, Z_NO_FLUSH);
    if (r == Z_STREAM_END) {
      b.member_done = true;
    } else if (r == Z_BUF_ERROR && b.raw_eof && b.z.avail_in == 0) {
      b.error = "damaged gzip data: unexpected end of file";
      return -1;
    } else if (r != Z_OK && r != Z_BUF_ERROR) {
      b.error = r == Z_MEM_ERROR
                    ? "out of memory"
                    : std::string("damaged gzip data: ") + (b.z.msg ? b.z.msg : "cannot inflate");
      return -1;
    }
    const std::size_t got = size - b.z.avail_out;
    if (got > 0) return static_cast<long>(got);
  }
}

struct LineStream {
  ByteSource src;
  char buf[1 << 16];
  std::size_t len = 0, pos = 0;
  bool eof = false;
  bool after_cr = false;  // a line feed right after a carriage return ends nothing
  long line_no = 0;       // of the line last returned
  long crlf = 0, cr = 0;  // line ends other than a line feed
};

// Reads the next line, its line end removed. Returns 1, 0 at the end of the
// stream, -1 on a read error.
int next_line(LineStream& s, std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (s.pos == s.len) {
      if (s.eof) break;
      const long k = next_bytes(s.src, s.buf, sizeof s.buf);
      if (k < 0) return -1;
      if (k == 0) {
        s.eof = true;
        break;
      }
      s.len = static_cast<std::size_t>(k);
      s.pos = 0;
    }
    if (s.after_cr) {
      s.after_cr = false;
      if (s.buf[s.pos] == '\n') {
        ++s.pos;
        ++s.crlf;
      } else {
        ++s.cr;
      }
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
  if (s.after_cr) {  // a carriage return that ends the file
    s.after_cr = false;
    ++s.cr;
  }
  if (!any) return 0;
  ++s.line_no;
  return 1;
}

// ---- 2. Headers and sequence lines ----

bool blank(char c) noexcept { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

bool is_blank_line(const std::string& line) noexcept { return std::all_of(line.begin(), line.end(), blank); }

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
    if (blank(c)) {
      ++r.blanks;
      continue;
    }
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
  } kPacked[] = {{"BZh", 3, "bzip2"},
                 {"\xfd"
                  "7zXZ",
                  5, "xz"},
                 {"PK\x03\x04", 4, "zip"},
                 {"\x28\xb5\x2f\xfd", 4, "zstd"}};
  for (const auto& p : kPacked)
    if (first.compare(0, p.len, p.magic, p.len) == 0)
      return std::string("compressed with ") + p.what +
             "; korvax-prep reads gzip or plain text: uncompress it first";
  std::string shown = first.substr(0, 20);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
  return at_line(line_no,
                 "not FASTA or FASTQ: a record starts with '>' (FASTA) or '@' (FASTQ), this line with \"" +
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
    err = s.src.error;
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
    err = s.src.error;
    return ERIO;
  }
  return 0;
}

// ---- 4. The file ----

int open_input(const char* path) {
  if (std::strcmp(path, "-") == 0) return dup(STDIN_FILENO);
  int fd;
  while ((fd = open(path, O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
  }
  return fd;
}

Status read_all(LineStream& s, FastaInput& in, std::string& err) {
  std::string line;
  int got;
  while ((got = next_line(s, line)) > 0 && is_blank_line(line)) {
  }
  if (got < 0) {
    err = s.src.error;
    return ERIO;
  }
  if (got == 0) return 0;                                           // no record at all
  if (s.line_no == 1 && line.compare(0, 3, "\xef\xbb\xbf") == 0) {  // a UTF-8 mark
    line.erase(0, 3);
    in.byte_order_mark = true;
  }
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
  s->src.fd = open_input(path);
  if (s->src.fd < 0) {
    ret_error = errno != 0 ? std::strerror(errno) : "cannot open";
    return ERIO;
  }
  Status st = 0;
  try {
    if (!start_source(s->src)) {
      ret_error = s->src.error;
      st = ERIO;
    } else {
      st = read_all(*s, ret_in, ret_error);
    }
  } catch (const std::bad_alloc&) {
    st = ERMEM;
  }
  if (st == ERIO && ret_error == "out of memory") st = ERMEM;
  ret_in.crlf = s->crlf;
  ret_in.cr = s->cr;
  if (st != 0) ret_in = {};
  return st;
}

long line_of_letter(const FastaRecord& r, std::size_t offset) noexcept {
  const auto after = std::upper_bound(r.lines.begin(), r.lines.end(), offset,
                                      [](std::size_t o, const LineMark& m) { return o < m.offset; });
  return after == r.lines.begin() ? r.line : std::prev(after)->line;
}
