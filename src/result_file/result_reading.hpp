// result_reading.hpp: the pieces of the result file reader, shared by its
// files in this room (not by the companion programs, which use
// result_file.hpp).
//
//   line_reading.cpp    lines: reading, and checking a line by printing it again
//   report_lines.cpp    the lines of a report block
//   portion_lines.cpp   the lines of a data portion
//   run_lines.cpp       the echo of the arguments, replayed into settings
//   result_reader.cpp   the reader: one pass over the lines
//   result_checks.cpp   after the pass: word lengths, alphabet, checks
//
// Every line that the reader takes is printed again with korvax's own format
// (include/report_layout.hpp) and must come out the same; a line that starts
// like a report line but does not is an error, everything else is passed over.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "result_file.hpp"

namespace result_reading {

// ---- Lines ----

bool next_line(std::FILE* in, std::string& line);
bool printed_as(const std::string& line, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
bool starts_with(const std::string& s, const char* prefix);
bool holds_at(const std::string& s, std::size_t i, const char* lit);
// Within korvax's own limits: the values a run can write.
inline bool within(int v, int lo, int hi) { return v >= lo && v <= hi; }
std::string lead_of(const char* fmt);
void rtrim(std::string& s);
bool take_int(const std::string& s, std::size_t& i, int& ret);
int hundredths(double v);

// ---- The lines of a report block, a portion and a run ----

bool parse_title(const std::string& line, ReportedResult& r);
bool is_title(const std::string& line);
bool parse_perm(const std::string& line, ReportedResult& r);
bool parse_word_line(const std::string& line, ReportedWord& w, int& ret_width);
bool parse_params(const std::string& line, PortionParams& p);
bool parse_params_extra(const std::string& line, PortionParams& p);
std::string params_out_of_range(const PortionParams& p);
bool parse_sequence_line(const std::string& line, ListedSequence& s);
bool parse_echo_line(const std::string& line, std::vector<std::string>& args);
void replay_options(ResultRun& run) noexcept;

// ---- After the pass ----

// Word lengths of each portion and the alphabet of each run, checked
// against every word and listed sequence. Returns 0 or ERDATA (err).
Status finish(ResultFile& file, ResultError& err);

}  // namespace result_reading
