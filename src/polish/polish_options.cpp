// polish_options.cpp: the command line of korvax-polish.
#include "polish_options.hpp"

#include "companion_io.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "alloc_guard.hpp"
#include "long_options.hpp"

namespace {

constexpr const char* kHelp =
    "Usage: korvax-polish [options] INPUT RESULT.out [--history RESULT.csv] [-o polished.out]\n"
    "\n"
    "Polishes the signals that a korvax run reported. From every signal of the\n"
    "best-results report (and, with --history, the best rows of the history\n"
    "file) the whole signal is shifted by -K..+K letters, then each sequence in\n"
    "turn takes the word, or no word, that raises the quality most, until no\n"
    "such change raises it. Quality is korvax's own measure, with the run's\n"
    "settings read from the result file. The best signal of every data portion\n"
    "is written (to FILE with -o, else to standard output) as a korvax result\n"
    "file that korvax-export reads; its first line says where it came from and\n"
    "how much the quality rose, its last line closes it as korvax's does.\n"
    "\n"
    "  INPUT          the korvax input file of the run\n"
    "  RESULT.out     the run's result file (written at -D1, korvax's default, or above)\n"
    "  --history F    the run's history file (korvax -F): its best rows are starting points too\n"
    "  --rows N       history rows taken: the best N distinct signals (50)\n"
    "  --shift K      shifts tried: -K..+K letters (default: half the word length)\n"
    "  --with OPTS    korvax options of the run that the result file does not show\n"
    "                 (korvax writes its arguments into it from -D2 on): -BA, -BC, -BX,\n"
    "                 -ACID, -N, ...; several in one argument or repeated, e.g.\n"
    "                 --with '-BA2 -BX0'\n"
    "  -o FILE        the polished result file, written whole or not at all; it must\n"
    "                 not be INPUT, RESULT.out or the history (standard output without)\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "\n"
    "Exit status: 0; 0x1 bad argument; 0x2 a file that is not what it should be,\n"
    "or a run whose reported qualities the settings do not reproduce; 0x4 a file\n"
    "that cannot be read or written; 0x10 out of memory; 0x80 internal error.\n";

namespace opt {
enum Key { help, version, output, history, rows, shift, with };
}  // namespace opt

// Every long option but --help and --version takes a value; so does a name
// the table does not hold ("--other x" is one unknown option).
constexpr LongOption kOptions[] = {
    {"help", false, opt::help},      {"version", false, opt::version}, {"output", true, opt::output},
    {"history", true, opt::history}, {"rows", true, opt::rows},        {"shift", true, opt::shift},
    {"with", true, opt::with},
};

// Blank-separated korvax options; each must start like one.
Status read_with(const std::string& v, PolishOptions& o, std::string& err) {
  std::size_t at = 0;
  while ((at = v.find_first_not_of(" \t", at)) != std::string::npos) {
    const std::size_t end = v.find_first_of(" \t", at);
    const std::string word = v.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (word[0] != '-' && word[0] != '/') {
      err = "--with takes korvax options (such as -BA2), not '" + word + "'";
      return ERARG;
    }
    o.with.push_back(word);
    at = end;
  }
  return 0;
}

Status parse(int argc, const char* const* argv, PolishOptions& o, std::string& err) {
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h") {
      o.help = true;
      return 0;
    }
    if (arg == "-o") {
      if (i + 1 >= argc) {
        err = "a value is missing after -o";
        return ERARG;
      }
      o.output = argv[++i];
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-' || arg[1] != '-') {
      files.push_back(argv[i]);
      continue;
    }
    const LongMatch m = match_long(kOptions, {.unknown_takes_value = true}, argc, argv, i);
    if (m.outcome != LongOutcome::matched) {
      err = (m.outcome == LongOutcome::missing ? "a value is missing after " : "unknown option ") +
            std::string(m.name);
      return ERARG;
    }
    const char* value = m.value;
    switch (m.option->key) {
      case opt::help: o.help = true; return 0;
      case opt::version: o.version = true; return 0;
      case opt::output: o.output = value; break;
      case opt::history: o.history = value; break;
      case opt::rows:
        if (!whole_number(value, 0, 1000000, o.rows)) {
          err = std::string("--rows wants a number of rows (0 or more), not '") + value + "'";
          return ERARG;
        }
        break;
      case opt::shift:
        if (!whole_number(value, 0, 1000000, o.shift)) {
          err = std::string("--shift wants a number of letters (0 or more), not '") + value + "'";
          return ERARG;
        }
        break;
      case opt::with:
        if (Status st = read_with(value, o, err); st != 0) return st;
        break;
    }
  }
  if (files.size() != 2) {
    err = files.size() < 2 ? "INPUT and RESULT.out are both needed" : "more than two files named";
    return ERARG;
  }
  o.input = files[0];
  o.result = files[1];
  return 0;
}

}  // namespace

Status parse_polish_args(int argc, const char* const* argv, PolishOptions& ret_opt,
                         std::string& ret_error) noexcept {
  return guard_alloc(ret_error, [&]() -> Status {
    PolishOptions o;
    if (Status st = parse(argc, argv, o, ret_error); st != 0) return st;
    ret_opt = std::move(o);
    return 0;
  });
}

const char* polish_help() noexcept { return kHelp; }
