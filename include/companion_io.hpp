// companion_io.hpp: small helpers shared by the companion programs' command
// lines and files.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>

// Closes a file held by a FileHandle.
struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The whole number s, written in full (no trailing characters), into ret
// when it lies in lo..hi; false otherwise.
[[nodiscard]] inline bool whole_number(const char* s, long lo, long hi, int& ret) noexcept {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (end == s || *end != '\0' || v < lo || v > hi) return false;
  ret = static_cast<int>(v);
  return true;
}
