// out.cpp: the writes and flushes of an output file, with one failure policy.
#include "out.hpp"

#include <cstdarg>

namespace {

// The one policy: a failure is ERIO and marks the Out failed.
Status failure(Out& o, bool failed) noexcept {
  if (!failed) return 0;
  o.failed = true;
  return ERIO;
}

}  // namespace

Status Out::print(const char* format, ...) noexcept {
  if (file == nullptr) return 0;
  va_list args;
  va_start(args, format);
  const int n = std::vfprintf(file, format, args);
  va_end(args);
  unflushed_error = unflushed_error || n < 0;
  return failure(*this, n < 0);
}

Status Out::put(const char* text) noexcept {
  if (file == nullptr) return 0;
  const bool bad = std::fputs(text, file) == EOF;
  unflushed_error = unflushed_error || bad;
  return failure(*this, bad);
}

Status Out::write(const char* data, std::size_t n) noexcept {
  if (file == nullptr) return 0;
  const bool bad = std::fwrite(data, 1, n, file) != n;
  unflushed_error = unflushed_error || bad;
  return failure(*this, bad);
}

Status Out::flush() noexcept {
  if (file == nullptr) return 0;
  const bool bad = std::fflush(file) != 0 || unflushed_error;
  unflushed_error = false;
  return failure(*this, bad);
}

Status Out::close() noexcept {
  if (file == nullptr) return 0;
  const bool bad = std::fclose(file) != 0 || unflushed_error;
  file = nullptr;
  unflushed_error = false;
  return failure(*this, bad);
}
