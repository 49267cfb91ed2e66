// fuzz_prep.cpp: korvax-prep's FASTA and FASTQ reader and its plan, fed
// random files.
//
// The first byte chooses the options (alphabet, rule for foreign letters,
// --split, --unique-names, --keep-case, a name width) and where the file is
// cut into two gzip members; the rest is the file. Checks:
//   - the file read plain and read as gzip (one or two members) gives the
//     same records, the same counts and the same status;
//   - a FASTA file's records are its header lines, and their letters, gap
//     characters and blanks are every character of its other lines but
//     those of blank lines and the line ends;
//   - a plan that can be written is read back by korvax's reader as the
//     plan's sequences and names, in its data portions; names are unique
//     and hold no zero byte; every map offset lies within its record.
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>

#include "check.hpp"
#include "config/cmdline.hpp"
#include "fasta.hpp"
#include "input/reader.hpp"
#include "prep_output.hpp"
#include "prep_plan.hpp"

namespace {

// Reads bytes as korvax-prep reads a file, through a file in memory.
Status read_bytes(std::string_view bytes, FastaInput& in, std::string& err) {
  const int fd = memfd_create("fuzz-prep", 0);
  if (fd < 0) return ERIO;
  Status st = ERIO;
  if (write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    st = read_fasta(path.c_str(), in, err);
  }
  close(fd);
  return st;
}

// One gzip member of text.
std::string gzip_member(std::string_view text) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::string out(deflateBound(&z, text.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int r = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return r == Z_STREAM_END ? out : std::string();
}

bool same_records(const FastaInput& a, const FastaInput& b) {
  if (a.fastq != b.fastq || a.records.size() != b.records.size() || a.crlf != b.crlf || a.cr != b.cr ||
      a.byte_order_mark != b.byte_order_mark)
    return false;
  for (std::size_t i = 0; i < a.records.size(); ++i) {
    const FastaRecord &x = a.records[i], &y = b.records[i];
    if (x.name != y.name || x.line != y.line || x.letters != y.letters || x.dropped != y.dropped ||
        x.blanks != y.blanks || x.described != y.described || x.lines.size() != y.lines.size())
      return false;
  }
  return true;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// A FASTA file by its lines: header lines, and the characters of the other
// lines that are not blank lines.
void fasta_model(std::string_view text, long& headers, long& chars) {
  if (text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);
  headers = chars = 0;
  while (!text.empty()) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    const std::string_view line = text.substr(0, end);
    if (!line.empty() && line[0] == '>')
      ++headers;
    else if (!std::all_of(line.begin(), line.end(), blank))
      chars += static_cast<long>(line.size());
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
}

PrepOptions options_from(std::uint8_t a) {
  PrepOptions o;
  o.alphabet = static_cast<AlphabetChoice>(a % 3);
  o.ambiguous = static_cast<AmbiguousRule>((a >> 2) % 3);
  o.split = (a & 0x10) != 0;
  o.unique_names = (a & 0x20) != 0;
  o.keep_case = (a & 0x40) != 0;
  o.name_width = (a & 0x80) != 0 ? 3 : 0;
  return o;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The plan's korvax input, read back by korvax's reader.
void check_written(const PrepPlan& plan) {
  char* buf = nullptr;
  std::size_t len = 0;
  std::FILE* out = open_memstream(&buf, &len);
  if (out == nullptr) return;
  FUZZ_CHECK(write_korvax_input(out, plan) == 0);
  std::fclose(out);
  std::FILE* in = fmemopen(buf, len, "r");
  FUZZ_CHECK(in != nullptr);
  Settings set;
  set.l = 1;  // any word length: only names and letters are compared
  set.acid = plan.acid;
  (void)derive_settings(set);
  DataPortion dp;
  Status run = 0;
  std::size_t next = 0;
  for (const int count : plan.portions) {
    const Status st = read_portion(in, set, dp, run);
    FUZZ_CHECK((st & ERDATA) == 0 && dp.n == count);
    for (int i = 0; i < dp.n; ++i, ++next) {
      const PrepSeq& s = plan.seqs[next];
      FUZZ_CHECK(s.name == dp.name_of(i) && lower(s.letters) == lower(dp.seq_of(i)));
      FUZZ_CHECK(s.offset + s.letters.size() <= s.record_length);
    }
  }
  FUZZ_CHECK(next == plan.seqs.size() && run == 0);
  std::fclose(in);
  std::free(buf);
  std::unordered_set<std::string> names;
  for (const PrepSeq& s : plan.seqs) {
    FUZZ_CHECK(s.name.find('\0') == std::string::npos);
    FUZZ_CHECK(s.name.empty() || names.insert(s.name).second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const PrepOptions opt = options_from(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  FastaInput plain;
  std::string err;
  const Status st = read_bytes(text, plain, err);
  FUZZ_CHECK(st == 0 || st == ERDATA || st == ERIO);
  const bool is_gzip = text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0x1f &&
                       static_cast<unsigned char>(text[1]) == 0x8b;
  if (!is_gzip) {
    const std::size_t cut = text.size() * data[0] / 255;
    const std::string packed = gzip_member(text.substr(0, cut)) + gzip_member(text.substr(cut));
    FastaInput unpacked;
    std::string unpacked_err;
    FUZZ_CHECK(read_bytes(packed, unpacked, unpacked_err) == st && unpacked_err == err);
    FUZZ_CHECK(same_records(plain, unpacked));
  }
  if (st != 0) return 0;
  if (!is_gzip && !plain.fastq && !plain.records.empty()) {
    long headers = 0, chars = 0, taken = 0;
    fasta_model(text, headers, chars);
    for (const FastaRecord& r : plain.records)
      taken += static_cast<long>(r.letters.size()) + r.dropped + r.blanks;
    FUZZ_CHECK(headers == static_cast<long>(plain.records.size()) && chars == taken);
  }
  PrepPlan plan;
  if (make_plan(plain, opt, plan) == 0) check_written(plan);
  return 0;
}
