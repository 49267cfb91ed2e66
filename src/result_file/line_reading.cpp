// line_reading.cpp: the result file reader's lines: reading one, and
// checking a line by printing it again with korvax's own format.
#include "result_reading.hpp"

#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace result_reading {

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
  std::string text(ix(len) + 1, '\0');
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

}  // namespace result_reading
