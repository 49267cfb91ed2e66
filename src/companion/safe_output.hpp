// safe_output.hpp: the output files of a companion program, written whole or
// not at all.
//
// korvax-export and korvax-polish write their outputs through one batch:
// every output is first checked against the inputs and the other outputs (an
// output that is one of them is refused before anything is read or written),
// then written to a temporary file in its own directory, and only when every
// output has been written, flushed and closed without an error are the
// temporaries renamed to their names. On a failure, or when the batch is
// dropped without a commit, every temporary is removed and no output is
// touched. Standard output ("-") is held in memory and written after the
// renames. SIGTERM, SIGINT and SIGHUP are held while the batch is open; one
// that arrives ends the program once the temporaries are removed (before the
// renames) or the outputs are complete (after them). An existing output that
// is not a regular file (a device, a FIFO) is written in place.
#pragma once

#include <csignal>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "status.hpp"

// A file a program names, with what names it ("--meme", "the result file").
struct NamedFile {
  const char* path = nullptr;  // "-": standard input or output; nullptr: none
  const char* role = "";
};

// Refuses an output that is an input or another output: by file identity
// where the file exists, else by its resolved path; standard output counts as
// the file it is redirected to. Returns 0, or ERARG with err naming both.
[[nodiscard]] Status check_outputs(const std::vector<NamedFile>& inputs,
                                   const std::vector<NamedFile>& outputs, std::string& err) noexcept;

struct PendingOutput {
  std::string path;  // as named; "-" standard output
  std::string temp;  // the temporary beside it ("" : written in place or in memory)
  std::FILE* f = nullptr;
  char* memory = nullptr;  // standard output: the text held
  std::size_t memory_size = 0;
};

// The outputs being written. Dropped without commit_outputs: every temporary
// is removed. Not copyable. A deque, since standard output's memory stream
// writes through the addresses of its entry's memory and memory_size: an
// entry must never move when another is added.
struct OutputBatch {
  std::deque<PendingOutput> files;
  sigset_t saved{};      // the signal mask before the batch
  bool holding = false;  // signals held

  OutputBatch() noexcept;
  ~OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;
};

// Opens the output path of the batch for writing into ret. Returns 0, ERIO
// (err says why: a temporary that cannot be made) or ERMEM.
[[nodiscard]] Status open_output(OutputBatch& b, const char* path, std::FILE*& ret,
                                 std::string& err) noexcept;

// Closes every output and, when all were written without an error, renames
// the temporaries to their names and writes standard output. Returns 0, or
// ERIO with err naming the output that failed and why (then no output is
// renamed, every temporary is removed).
[[nodiscard]] Status commit_outputs(OutputBatch& b, std::string& err) noexcept;
