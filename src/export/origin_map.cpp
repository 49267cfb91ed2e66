// origin_map.cpp: reading korvax-prep's map, and the sites moved to the
// records' positions.
#include "origin_map.hpp"

#include "companion_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "alloc_guard.hpp"

namespace {

// Splits a line at its tabs.
std::vector<std::string> fields_of(const std::string& line) {
  std::vector<std::string> out(1);
  for (const char c : line) {
    if (c == '\t')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// A whole number from 0 to limit, digits only.
bool number(const std::string& s, long limit, long& ret) {
  if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  ret = std::strtol(s.c_str(), nullptr, 10);
  return ret <= limit;
}

constexpr long kLongest = 1L << 30;

// One line: portion, sequence, name, record, offset, length, kept; portions and
// sequences in the order korvax-prep writes them.
bool take_line(const std::string& line, OriginMap& map) {
  const std::vector<std::string> f = fields_of(line);
  long portion = 0, seq = 0;
  OriginRow row;
  if (f.size() != 7 || !number(f[0], kLongest, portion) || !number(f[1], kLongest, seq) ||
      !number(f[4], kLongest, row.offset) || !number(f[5], kLongest, row.length) ||
      !number(f[6], kLongest, row.kept) || row.offset + row.kept > row.length)
    return false;
  row.name = f[2];
  row.record = f[3];
  const auto count = static_cast<long>(map.portions.size());
  if (portion == count + 1 && seq == 1)
    map.portions.emplace_back();
  else if (portion != count || count == 0 || seq != static_cast<long>(map.portions.back().size()) + 1)
    return false;
  map.portions.back().push_back(std::move(row));
  return true;
}

Status read_map(const char* input, OriginMap& map, std::string& err) {
  const std::string path = std::string(input) + ".map";
  FileHandle f(std::fopen(path.c_str(), "r"));
  if (!f) {
    if (errno == ENOENT) return 0;
    err = path + ": cannot open the map of the input: " + std::strerror(errno);
    return ERIO;
  }
  map.path = path;
  std::string line;
  long line_no = 0;
  for (int c = 0; c != EOF;) {
    line.clear();
    while ((c = std::fgetc(f.get())) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) break;
    ++line_no;
    if (line.empty() || line[0] == '#') continue;
    if (!take_line(line, map)) {
      err = path + ": line " + std::to_string(line_no) +
            ": not a line of korvax-prep's map (portion, sequence, name, record, offset, length, kept)";
      return ERDATA;
    }
  }
  if (std::ferror(f.get()) != 0) {
    err = path + ": the map of the input cannot be read";
    return ERIO;
  }
  return 0;
}

Status apply(const OriginMap& map, const std::vector<std::string>& names,
             const std::vector<std::string>& letters, ExportPortion& p, std::string& err) {
  const auto k = ix(p.number - 1);
  const std::string mismatch =
      map.path + " does not belong to the input: data portion " + std::to_string(p.number);
  if (k >= map.portions.size() || map.portions[k].size() != names.size()) {
    err = mismatch + " holds another count of sequences";
    return ERDATA;
  }
  const std::vector<OriginRow>& rows = map.portions[k];
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string seq = ", sequence " + std::to_string(i + 1);
    if (rows[i].name != names[i]) {
      err = mismatch + seq + " is named '" + names[i] + "', not '" + rows[i].name + "'";
      return ERDATA;
    }
    if (i < letters.size() && rows[i].kept != static_cast<long>(letters[i].size())) {
      err = mismatch + seq + " has " + std::to_string(letters[i].size()) + " letters, not " +
            std::to_string(rows[i].kept);
      return ERDATA;
    }
  }
  for (ExportSite& s : p.sites) {
    const OriginRow& row = rows[ix(s.seq - 1)];
    const long last = row.offset + (s.end2 != 0 ? s.end2 : s.end);
    if (last > row.length) {
      err = mismatch + ", sequence " + std::to_string(s.seq) + ": a word ends at " + std::to_string(last) +
            " of a record of " + std::to_string(row.length) + " letters";
      return ERDATA;
    }
    const int offset = static_cast<int>(row.offset);
    s.start += offset;
    s.end += offset;
    if (s.start2 != 0) {
      s.start2 += offset;
      s.end2 += offset;
    }
    if (!row.record.empty()) s.name = row.record;
  }
  return 0;
}

}  // namespace

Status read_origin_map(const char* input, OriginMap& ret, std::string& err) noexcept {
  ret = {};
  return guard_alloc(err, [&] { return read_map(input, ret, err); });
}

Status apply_origin_map(const OriginMap& map, const std::vector<std::string>& input_names,
                        const std::vector<std::string>& input_letters, ExportPortion& p,
                        std::string& err) noexcept {
  if (map.path.empty()) return 0;
  return guard_alloc(err, [&] { return apply(map, input_names, input_letters, p, err); });
}
