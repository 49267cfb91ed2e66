// prep_options.cpp: the options of korvax-prep and its help text.
//
// GNU-style options: -p or --protein, values as --name-width=12,
// --name-width 12 or -w12; "--" ends the options; "-" alone is standard input.
#include "prep_options.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "alloc_guard.hpp"
#include "long_options.hpp"

namespace {

namespace opt {
enum Key { dna, protein, ambiguous, split, name_width, unique_names, keep_case, output, help, version };
}  // namespace opt

constexpr LongOption kOptions[] = {
    {"dna", false, opt::dna, 'd'},
    {"protein", false, opt::protein, 'p'},
    {"ambiguous", true, opt::ambiguous, 'a'},
    {"split", false, opt::split, 's'},
    {"name-width", true, opt::name_width, 'w'},
    {"unique-names", false, opt::unique_names, 'u'},
    {"keep-case", false, opt::keep_case, 'k'},
    {"output", true, opt::output, 'o'},
    {"help", false, opt::help, 'h'},
    {"version", false, opt::version, 0},
};

// A whole number of 0 or more written with digits only.
bool read_count(const char* s, int* ret) noexcept {
  if (*s == '\0') return false;
  long v = 0;
  for (; *s; ++s) {
    if (*s < '0' || *s > '9') return false;
    v = v * 10 + (*s - '0');
    if (v > 1000000) return false;
  }
  *ret = static_cast<int>(v);
  return true;
}

bool apply(const LongOption& row, const char* value, PrepOptions& o, std::string& err) {
  switch (static_cast<opt::Key>(row.key)) {
    case opt::dna: o.alphabet = AlphabetChoice::dna; return true;
    case opt::protein: o.alphabet = AlphabetChoice::protein; return true;
    case opt::split: o.split = true; return true;
    case opt::unique_names: o.unique_names = true; return true;
    case opt::keep_case: o.keep_case = true; return true;
    case opt::output:
      if (*value == '\0') {
        err = "--output takes a file name, not an empty value (- is standard output)";
        return false;
      }
      o.output = value;
      return true;
    case opt::help: o.help = true; return true;
    case opt::version: o.version = true; return true;
    case opt::ambiguous:
      if (std::strcmp(value, "refuse") == 0)
        o.ambiguous = AmbiguousRule::refuse;
      else if (std::strcmp(value, "drop") == 0)
        o.ambiguous = AmbiguousRule::drop;
      else if (std::strcmp(value, "cut") == 0)
        o.ambiguous = AmbiguousRule::cut;
      else {
        err = std::string("--ambiguous takes refuse, drop or cut, not \"") + value + "\"";
        return false;
      }
      return true;
    case opt::name_width:
      if (!read_count(value, &o.name_width)) {
        err = std::string("--name-width takes a number of characters, not \"") + value + "\"";
        return false;
      }
      return true;
  }
  return false;
}

Status parse(int argc, const char* const* argv, PrepOptions& o, std::string& err) {
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!options_end && std::strcmp(a, "--") == 0) {
      options_end = true;
      continue;
    }
    if (options_end || a[0] != '-' || a[1] == '\0') {
      if (o.input != nullptr) {
        err = std::string("one input file only: \"") + o.input + "\" and \"" + a + "\"";
        return ERARG;
      }
      o.input = a;
      continue;
    }
    LongMatch m;
    if (a[1] == '-') {
      m = match_long(kOptions, {}, argc, argv, i);
    } else {
      // Short forms: -w12 or -w 12.
      m.option = find_letter(kOptions, a[1]);
      if (a[2] != '\0') m.value = a + 2;
      const bool wants = m.option != nullptr && m.option->takes_value;
      if (wants && m.value == nullptr && i + 1 < argc) m.value = argv[++i];
      if (m.option != nullptr && (m.value != nullptr) == wants)
        m.outcome = LongOutcome::matched;
      else if (wants)
        m.outcome = LongOutcome::missing;
    }
    if (m.outcome == LongOutcome::unknown) {
      err = std::string("unknown option \"") + a + "\"";
      return ERARG;
    }
    if (m.outcome == LongOutcome::missing) {
      err = std::string("option \"") + a + "\" needs a value";
      return ERARG;
    }
    const LongOption* row = m.option;
    const char* value = m.value;
    if (!apply(*row, value, o, err)) return ERARG;
  }
  if (o.input == nullptr && !o.help && !o.version) {
    err = "no input file named (use - for standard input)";
    return ERARG;
  }
  return 0;
}

}  // namespace

Status parse_prep_args(int argc, const char* const* argv, PrepOptions& ret_opt,
                       std::string& ret_error) noexcept {
  ret_opt = {};
  ret_error.clear();
  return guard_alloc([&] { return parse(argc, argv, ret_opt, ret_error); });
}

const char* prep_help() noexcept {
  return "Usage: korvax-prep [options] IN.fa[.gz] > in.seq\n"
         "\n"
         "Reads FASTA or FASTQ as the field writes it (wrapped or not, LF or CRLF,\n"
         "any case, gzip-compressed or plain; IN may be - for standard input) and\n"
         "writes korvax input: a name line and one line per sequence. Names are the\n"
         "first word of each header. Checks what korvax would refuse and says so on\n"
         "standard error, naming the file, the line and the sequence; every change\n"
         "is reported, and a short summary closes the run.\n"
         "\n"
         "Options:\n"
         "  -d, --dna             nucleotides: a c g t (u is read as t)\n"
         "  -p, --protein         amino acids (run korvax with -ACID);\n"
         "                        without -d or -p the alphabet is guessed and said\n"
         "  -a, --ambiguous=WHAT  sequences with letters outside the alphabet (n, x, *):\n"
         "                          refuse  report them and write nothing (default)\n"
         "                          drop    leave those sequences out\n"
         "                          cut     keep the longest part between such letters\n"
         "  -s, --split           more than 256 sequences: write data portions of at\n"
         "                        most 256, as even as can be (korvax searches them\n"
         "                        one after the other); without it such a file is refused\n"
         "  -w, --name-width=N    cut names to N characters (0, the default: whole names)\n"
         "  -u, --unique-names    names that occur twice get _2, _3, ...; refused without\n"
         "  -k, --keep-case       keep the letters' case (soft-masked repeats stay so)\n"
         "  -o, --output=FILE     write FILE instead of standard output, and FILE.map:\n"
         "                        where each sequence starts in its record (read by\n"
         "                        korvax-export --input FILE); nothing is written when\n"
         "                        the input cannot be made usable; FILE is never the\n"
         "                        input, and is replaced only when complete\n"
         "  -h, --help            print this help\n"
         "      --version         print the version\n"
         "\n"
         "Exit codes: 0 written (warnings, if any, on standard error); 1 bad command\n"
         "line; 2 not usable by korvax, nothing written; 4 a file could not be read or\n"
         "written; 16 out of memory.\n";
}
