// writers.hpp: the output formats of korvax-export. Each writes the whole
// export to f; the caller checks the stream for write errors.
#pragma once

#include <cstdio>

#include "export_set.hpp"

// MEME motif format, version 4 (minimal): one letter-probability matrix per motif.
void write_meme(std::FILE* f, const ExportSet& set);

// Sites, tab-separated with a header line; word pairs add spacing, start2,
// end2 and word2.
void write_sites(std::FILE* f, const ExportSet& set);

// Sites as BED6: 0-based starts; a word pair gives one line per word.
void write_bed(std::FILE* f, const ExportSet& set);

// Everything above (results, sites, count matrices, consensus, IUPAC
// consensus, information content, background) as one JSON document.
void write_json(std::FILE* f, const ExportSet& set);

// A sequence logo of every motif as SVG, letters drawn as paths.
void write_logo(std::FILE* f, const ExportSet& set);
