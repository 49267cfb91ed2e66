// origin_map.hpp: where the sequences of a korvax input came from.
//
// korvax-prep -o IN writes IN.map beside the input: for every sequence its
// data portion, its number there, its name, and the record of the FASTA
// file it was made from (name, the letters before the first one kept, the
// record's length), and the letters kept. With it the sites of a result are given in the
// records' own positions and names, as the user's FASTA file has them.
#pragma once

#include <string>
#include <vector>

#include "export_set.hpp"
#include "status.hpp"

struct OriginRow {
  std::string name;    // as written in the korvax input
  std::string record;  // the FASTA record's name
  long offset = 0;     // letters of the record before the first one kept
  long length = 0;     // letters of the record
  long kept = 0;       // letters of the sequence in the korvax input
};

struct OriginMap {
  std::string path;                              // empty: no map beside the input
  std::vector<std::vector<OriginRow>> portions;  // [portion - 1][sequence - 1]
};

// Reads input + ".map" when there is such a file (ret.path empty when not).
// Returns 0; ERIO when it cannot be read; ERDATA when a line is not a map
// line (err names it).
[[nodiscard]] Status read_origin_map(const char* input, OriginMap& ret, std::string& err) noexcept;

// Moves the sites of portion p to their records' positions and names. The
// map must belong to the input: the same count of sequences and the same
// names and lengths in the portion (input_names, input_letters), and every
// site within its record.
// Returns 0 (nothing done without a map) or ERDATA with err saying why.
[[nodiscard]] Status apply_origin_map(const OriginMap& map, const std::vector<std::string>& input_names,
                                      const std::vector<std::string>& input_letters, ExportPortion& p,
                                      std::string& err) noexcept;
