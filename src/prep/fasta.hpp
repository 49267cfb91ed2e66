// fasta.hpp: FASTA and FASTQ files as the field writes them.
//
// Wrapped or not, LF, CRLF or CR line ends, blank lines, any case, gzip or
// plain text, a path or standard input. Every record keeps where its
// letters came from, so that a message can name the line of a letter.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "status.hpp"

// Where one sequence line starts: letters of the record before it, its line number.
struct LineMark {
  std::size_t offset = 0;
  long line = 0;
};

struct FastaRecord {
  std::string name;        // the first word of the header
  bool described = false;  // the header held more than its first word
  long line = 0;           // line number of the header (1-based)
  std::string letters;     // the sequence as written, blanks and "-_=" left out
  std::vector<LineMark> lines;
  long dropped = 0;  // characters of "-_=" left out
  long blanks = 0;   // blanks inside sequence lines, left out
};

struct FastaInput {
  bool fastq = false;
  std::vector<FastaRecord> records;  // in file order
  long crlf = 0, cr = 0;             // line ends CR LF and a lone CR
  bool byte_order_mark = false;      // a UTF-8 mark at the start, skipped
};

// Reads the file at path ("-": standard input) into ret_in. On failure
// ret_error holds a message that names the line when there is one. Returns
// 0; ERIO (cannot open or read, damaged gzip data, data after a gzip
// member that is not another member); ERDATA (neither FASTA
// nor FASTQ, a FASTQ record cut short); ERMEM.
[[nodiscard]] Status read_fasta(const char* path, FastaInput& ret_in, std::string& ret_error) noexcept;

// The line of the letter at offset of record r.
[[nodiscard]] long line_of_letter(const FastaRecord& r, std::size_t offset) noexcept;
