// page.cpp: index.html of a korvax-find folder: the motif, its logo, its
// significance and its sites, and links to every file.
#include "page.hpp"

#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The MEME file's motif lines: "MOTIF id consensus" and the E-value of its
// matrix line ("E= x"), one entry per motif.
struct MemeMotif {
  std::string title, evalue;
};
std::vector<MemeMotif> meme_motifs(const std::string& meme) {
  std::vector<MemeMotif> motifs;
  std::istringstream in(meme);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("MOTIF ", 0) == 0) motifs.push_back({line.substr(6), ""});
    const std::size_t e = line.find(" E= ");
    if (!motifs.empty() && line.rfind("letter-probability matrix:", 0) == 0 && e != std::string::npos)
      motifs.back().evalue = line.substr(e + 4);
  }
  return motifs;
}

// The sites table as HTML rows (the header row as th).
std::string sites_table(const std::string& tsv) {
  std::ostringstream html;
  std::istringstream in(tsv);
  bool header = true;
  for (std::string line; std::getline(in, line); header = false) {
    html << "<tr>";
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');)
      html << (header ? "<th>" : "<td>") << html_escape(cell) << (header ? "</th>" : "</td>");
    html << "</tr>\n";
  }
  return html.str();
}

}  // namespace

std::string html_escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

bool write_page(const std::string& dir, const PageFacts& facts) {
  const std::string meme = read_text(dir + "/motif.meme");
  const std::string sites = read_text(dir + "/sites.tsv");
  std::ostringstream h;
  h << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    << "<title>korvax-find: " << html_escape(facts.input) << "</title>\n"
    << "<style>body{font-family:sans-serif;margin:2em;max-width:70em}"
       "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 6px;"
       "font-family:monospace}pre{background:#f6f6f6;padding:1em;overflow:auto}</style>\n"
    << "</head>\n<body>\n<h1>Common signal of " << html_escape(facts.input) << "</h1>\n";
  h << "<p>" << html_escape(facts.best_line) << "</p>\n";
  for (const MemeMotif& m : meme_motifs(meme))
    h << "<h2>Motif " << html_escape(m.title)
      << "</h2>\n<p>E-value: " << (m.evalue.empty() ? "not computed" : html_escape(m.evalue)) << "</p>\n";
  h << "<p><img src=\"logo.svg\" alt=\"sequence logo\"></p>\n";
  h << "<h2>Sites</h2>\n<table>\n" << sites_table(sites) << "</table>\n";
  h << "<h2>Files</h2>\n<ul>\n";
  const char* files[][2] = {
      {"motif.meme", "the motif in MEME format"}, {"sites.tsv", "the sites as a table"},
      {"sites.bed", "the sites as BED"},          {"logo.svg", "the sequence logo"},
      {"result.json", "all of it as JSON"},       {"polished.out", "the signal polished by korvax-polish"},
      {"input.seq.out", "korvax's result file"},  {"input.seq.csv", "korvax's history file"},
      {"input.seq", "the korvax input"},          {"korvax-find.log", "what every step said"}};
  for (const auto& f : files) h << "<li><a href=\"" << f[0] << "\">" << f[0] << "</a>: " << f[1] << "</li>\n";
  h << "</ul>\n<h2>Run</h2>\n<pre>" << html_escape(facts.command) << "\n(" << facts.seconds
    << " s)</pre>\n<h2>MEME file</h2>\n<pre>" << html_escape(meme) << "</pre>\n</body>\n</html>\n";
  std::ofstream out(dir + "/index.html", std::ios::binary);
  out << h.str();
  out.close();
  return static_cast<bool>(out);
}
