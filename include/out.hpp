// out.hpp: Out, one output file of a task, written and flushed with one
// failure policy.
//
// Every line korvax writes into the result file or a secondary file (the
// driver's lines, the command line's echo, the search and proximity dumps,
// the dispatch lines) goes through an Out. A write or a flush that fails
// returns ERIO and marks the Out failed; a write that failed is reported by
// the next flush too, because the stream may have dropped its buffer with it.
// An Out without a file writes nothing and never fails. Where the flushes
// fall stays with the callers: a line reaches the file when its writer
// flushes it.
#pragma once

#include <cstddef>
#include <cstdio>

#include "status.hpp"

struct Out {
  std::FILE* file = nullptr;     // the file written; close() closes it
  bool failed = false;           // a write or a flush has failed
  bool unflushed_error = false;  // a write has failed since the last flush

  [[nodiscard]] bool open() const noexcept { return file != nullptr; }

  // Formats as printf does and writes. ERIO when the write fails, else 0.
  __attribute__((format(printf, 2, 3))) Status print(const char* format, ...) noexcept;
  // Writes the text, or the n bytes at data. ERIO when the write fails.
  Status put(const char* text) noexcept;
  Status write(const char* data, std::size_t n) noexcept;
  // Flushes. ERIO when the flush, or a write since the last one, failed.
  [[nodiscard]] Status flush() noexcept;
  // Closes the file (the Out is then without one). ERIO as flush() does.
  [[nodiscard]] Status close() noexcept;
};
