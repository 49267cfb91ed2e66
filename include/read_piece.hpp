// read_piece.hpp: reading a text file by length, one line end at a time.
#pragma once

#include <cstddef>
#include <cstdio>

// Reads the next piece of text from f into buf: the characters up to and
// including the next line end, at most cap of them. Every byte counts, the
// zero byte included (a file may hold one), so the piece is known by its
// length, not as a zero-terminated text. Returns the length; 0 at the end of
// the file or on a read error.
[[nodiscard]] inline std::size_t read_piece(std::FILE* f, char* buf, std::size_t cap) noexcept {
  std::size_t len = 0;
  while (len < cap) {
    const int c = std::getc(f);
    if (c == EOF) break;
    buf[len++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  return len;
}
