// export_cli.cpp: the command line of korvax-export, and its run.
#include "export_cli.hpp"

#include "companion_io.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "long_options.hpp"
#include "settings.hpp"
#include "writers.hpp"
#include "../companion/safe_output.hpp"
#include "../companion/version_line.hpp"

namespace {

constexpr const char* kUsage =
    "Usage: korvax-export [--meme F] [--sites F] [--bed F] [--logo F] [--json F]\n"
    "                     [--place K] [--by quality|proximity|evalue] [--portion P]\n"
    "                     [--input IN] RESULT.out\n"
    "\n"
    "Writes the best signal of a korvax result file in the formats of the field.\n"
    "Each output goes where its option says (- for standard output); with no\n"
    "output option the MEME motifs go to standard output.\n"
    "\n"
    "  --meme F       motifs in MEME format (version 4, minimal)\n"
    "  --sites F      the words as a tab-separated table with a header line\n"
    "  --bed F        the words as BED6 (0-based starts)\n"
    "  --logo F       sequence logos as SVG\n"
    "  --json F       all of the above, with counts, consensus and IUPAC consensus\n"
    "  --place K      place K of the ranking (1 default)\n"
    "  --by R         ranking: quality (default) or proximity (avg proximity);\n"
    "                 evalue: the reported signal of least E-value (needs --input)\n"
    "  --portion P    data portion P only (every portion by default)\n"
    "  --input IN     the korvax input file of the run: whole names, letter\n"
    "                 background, and a check that the result belongs to it\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "\n"
    "An output that names an input or another output is refused. Every output\n"
    "is written to a temporary file beside it and renamed when all are complete:\n"
    "on any failure no output is written.\n";

void message(const char* what, const std::string& text) {
  std::fprintf(stderr, "korvax-export: %s%s\n", what, text.c_str());
}

namespace opt {
enum Key { help, version, meme, sites, bed, logo, json, input, place, portion, by };
}  // namespace opt

// Every long option but --help and --version takes a value; so does a name
// the table does not hold ("--other x" is one invalid option).
constexpr LongOption kOptions[] = {
    {"help", false, opt::help},  {"version", false, opt::version},
    {"meme", true, opt::meme},   {"sites", true, opt::sites},
    {"bed", true, opt::bed},     {"logo", true, opt::logo},
    {"json", true, opt::json},   {"input", true, opt::input},
    {"place", true, opt::place}, {"portion", true, opt::portion},
    {"by", true, opt::by},
};

// Applies a matched option; false when its value is not one it takes.
bool apply(int key, const char* value, ExportOptions& o) {
  switch (key) {
    case opt::meme: o.meme = value; return true;
    case opt::sites: o.sites = value; return true;
    case opt::bed: o.bed = value; return true;
    case opt::logo: o.logo = value; return true;
    case opt::json: o.json = value; return true;
    case opt::input: o.input = value; return true;
    case opt::help: return true;
    case opt::version: o.version = true; return true;
    case opt::place: return whole_number(value, 1, 1000000, o.place);
    case opt::portion: return whole_number(value, 1, 1000000, o.portion);
    case opt::by:
      if (std::strcmp(value, "evalue") == 0) {
        o.by_evalue = true;
        return true;
      }
      if (std::strcmp(value, "quality") != 0 && std::strcmp(value, "proximity") != 0) return false;
      o.ranking = value[0] == 'q' ? Ranking::quality : Ranking::avg_proximity;
      o.by_evalue = false;
      return true;
  }
  return false;
}

// Parses argv into o. Returns 0, ERARG (with a message) or HELP.
Status parse(int argc, char** argv, ExportOptions& o) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "-h") == 0) return HELP;
    if (arg[0] != '-' || arg[1] != '-') {
      if (o.result != nullptr) {
        message("more than one result file: ", arg);
        return ERARG;
      }
      o.result = arg;
      continue;
    }
    const LongMatch m = match_long(kOptions, {.unknown_takes_value = true}, argc, argv, i);
    if (m.outcome == LongOutcome::missing) {
      message("a value is missing after ", std::string(m.name));
      return ERARG;
    }
    if (m.outcome == LongOutcome::unknown || !apply(m.option->key, m.value, o)) {
      message("invalid option: ", std::string(arg) + (m.attached ? "" : std::string(" ") + m.value));
      return ERARG;
    }
    if (m.option->key == opt::help || m.option->key == opt::version) return HELP;
  }
  if (o.result == nullptr) {
    message("", "no result file named (korvax-export --help shows the usage)");
    return ERARG;
  }
  if (o.by_evalue && (o.input == nullptr || o.place != 1 || o.ranking != Ranking::quality)) {
    message("", o.input == nullptr
                    ? "--by evalue needs --input: the E-value counts the alignments in its sequences"
                    : "--by evalue chooses among every place and ranking: no --place or other --by");
    return ERARG;
  }
  if (!o.meme && !o.sites && !o.bed && !o.logo && !o.json) o.meme = "-";
  return 0;
}

// Writes every output asked for: all of them, or none.
Status write_outputs(const ExportOptions& o, const ExportSet& set) {
  const struct {
    const char* path;
    void (*writer)(std::FILE*, const ExportSet&);
  } outputs[] = {{o.meme, write_meme},
                 {o.sites, write_sites},
                 {o.bed, write_bed},
                 {o.logo, write_logo},
                 {o.json, write_json}};
  OutputBatch batch;
  std::string err;
  for (const auto& out : outputs) {
    if (out.path == nullptr) continue;
    std::FILE* f = nullptr;
    if (Status st = open_output(batch, out.path, f, err); st != 0) {
      message("", err + "; no output written");
      return st;
    }
    out.writer(f, set);
  }
  if (Status st = commit_outputs(batch, err); st != 0) {
    message("", err + "; no output written");
    return st;
  }
  return 0;
}

Status run(int argc, char** argv) {
  ExportOptions o;
  const Status parsed = parse(argc, argv, o);
  if (parsed == HELP) {
    if (o.version)
      print_version("korvax-export");
    else
      std::fputs(kUsage, stdout);
    return std::fflush(stdout) != 0 ? ERIO : 0;
  }
  if (parsed != 0) return parsed;
  std::string refused;
  if (Status st = check_outputs({{o.result, "result file"}, {o.input, "--input"}},
                                {{o.meme, "--meme"},
                                 {o.sites, "--sites"},
                                 {o.bed, "--bed"},
                                 {o.logo, "--logo"},
                                 {o.json, "--json"}},
                                refused);
      st != 0) {
    message("", refused);
    return st;
  }

  ResultFile rf;
  ResultError err;
  if (Status st = read_result_path(o.result, rf, err); st != 0) {
    const std::string where = err.line > 0 ? ": line " + std::to_string(err.line) + ": " : ": ";
    message(o.result, where + err.what);
    return st;
  }
  if (run_unfinished(rf.runs.back())) {
    message(o.result, std::string(": ") + unfinished_run_text());
    return ERDATA;
  }
  ExportSet set;
  std::string why;
  if (Status st = build_export(rf, o, set, why); st != 0) {
    message(o.result, ": " + why);
    return st;
  }
  if (set.runs > 1)
    message(o.result, ": holds " + std::to_string(set.runs) + " runs (korvax -A); the last one is exported");
  for (const ExportPortion& p : set.portions)
    if (p.result == nullptr)
      message(o.result, ": data portion " + std::to_string(p.number) + " not exported: " + p.missing);
  return write_outputs(o, set);
}

}  // namespace

Status run_export(int argc, char** argv) noexcept {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    message("", "out of memory");
    return ERMEM;
  }
}
