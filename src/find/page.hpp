// page.hpp: the page of a korvax-find folder (index.html).
#pragma once

#include <string>

// What the page shows besides the files it reads from the folder.
struct PageFacts {
  std::string input;      // the input file as the user named it
  std::string command;    // the korvax command line of the run
  std::string best_line;  // the polished signal's title line
  int seconds = 0;        // the whole run's time
};

// Writes dir/index.html from dir's motif.meme, sites.tsv and logo.svg (each
// shown when present). Returns false when the page cannot be written.
[[nodiscard]] bool write_page(const std::string& dir, const PageFacts& facts);

// Text made safe for HTML.
[[nodiscard]] std::string html_escape(const std::string& text);
