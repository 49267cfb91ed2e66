// find_options.cpp: the command line of korvax-find.
#include "find_options.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/cmdline.hpp"
#include "long_options.hpp"
#include "settings.hpp"

const char* const kFindUsage =
    "Usage: korvax-find --out DIR [--tasks N] [--force] [korvax options] INPUT\n"
    "\n"
    "Finds the common signal of the sequences in INPUT (FASTA or FASTQ, plain or\n"
    "gzip, or korvax input) and writes DIR/ with a page to open (index.html),\n"
    "the motif (motif.meme), its sites (sites.tsv, sites.bed), its logo\n"
    "(logo.svg), all of it as JSON (result.json) and the files of every step.\n"
    "It runs korvax-prep, korvax under mpiexec, korvax-polish and korvax-export.\n"
    "\n"
    "  --out DIR     the folder to write; refused when it exists\n"
    "  --force       replace DIR when korvax-find made it\n"
    "  --tasks N     MPI tasks for korvax (the number of cores, at least 2)\n"
    "  --help        this text\n"
    "  --version     the version\n"
    "\n"
    "Every other argument that starts with - is a korvax option (-L22, -BG1, ...;\n"
    "korvax -H lists them) and goes to korvax as it stands.\n";

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "korvax-find: %s\n", text.c_str()); }

namespace opt {
enum Key { help, version, force, out, tasks };
}  // namespace opt

constexpr LongOption kOptions[] = {
    {"help", false, opt::help}, {"version", false, opt::version}, {"force", false, opt::force},
    {"out", true, opt::out},    {"tasks", true, opt::tasks},
};

}  // namespace

Status parse_find_options(int argc, char** argv, FindOptions& o) {
  Settings korvax;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h") {
      o.help = true;
      return HELP;
    }
    if (arg.rfind("--", 0) == 0) {
      const LongMatch m = match_long(kOptions, {.empty_is_missing = true}, argc, argv, i);
      if (m.outcome == LongOutcome::unknown) {
        complain("unknown option " + arg + " (korvax-find --help shows the usage)");
        return ERARG;
      }
      if (m.outcome == LongOutcome::missing) {
        complain("a value is missing after " + std::string(m.name));
        return ERARG;
      }
      if (m.option->key == opt::help || m.option->key == opt::version) {
        o.help = m.option->key == opt::help;
        o.version = !o.help;
        return HELP;
      }
      if (m.option->key == opt::force) {
        o.force = true;
        continue;
      }
      const std::string value = m.value;
      if (m.option->key == opt::out) {
        o.out = value;
        continue;
      }
      char* end = nullptr;
      const long n = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || n < 2 || n > 4096) {
        complain("--tasks takes a whole number from 2 to 4096, not " + value);
        return ERARG;
      }
      o.tasks = static_cast<int>(n);
      continue;
    }
    if (arg[0] == '-') {
      bool help = false;
      if (!apply_option(arg.c_str(), korvax, &help) || help) {
        complain("invalid korvax option " + arg + " (korvax -H lists them)");
        return ERARG;
      }
      o.korvax_args.push_back(arg);
      continue;
    }
    if (!o.input.empty()) {
      complain("more than one input file: " + arg);
      return ERARG;
    }
    o.input = arg;
  }
  if (o.out.empty() || o.input.empty()) {
    complain(o.out.empty() ? "no --out DIR given (korvax-find --help shows the usage)"
                           : "no input file named (korvax-find --help shows the usage)");
    return ERARG;
  }
  o.perm_limit = korvax.perm_limit;
  o.acid = korvax.acid;
  return 0;
}
