// cmdline.cpp: scanning the command line, opening the files, deriving settings.
//
// Contents
//   1. Letters
//   2. Options
//   3. File names
//   4. After the scan: files, echo, lengths, motifs, threshold, penalties
//   5. The parse
#include "cmdline.hpp"

#include "report_layout.hpp"

#include <cctype>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "alphabet.hpp"
#include "options.hpp"

namespace {

// ---- 1. Letters ----

// A nucleotide motif may hold u, compared as written (sequences hold t).
const char* kMotifNucleotides = "actgu";
const char* kWildcards = ".?x*";

// The file mode in force: "w+t", or "a+t" in append mode.
const char* file_mode(const Settings& set) noexcept { return set.append ? "a+t" : "w+t"; }

// ---- 2. Options ----

// The value of row at s (the characters after the option's name), stored
// into set when the row accepts it. False when it does not.
bool apply_value(const OptionRow& row, const char* s, Settings& set) noexcept {
  switch (row.kind) {
    case OptionKind::kHelp: return true;
    case OptionKind::kFlag: row.value.store(set, 1); return true;
    case OptionKind::kDigits:
      if (*s < '0' || *s > '9') return false;  // -SEED alone is a slip, not seed 0
      [[fallthrough]];
    case OptionKind::kNumber:
    case OptionKind::kMinutes: {
      const int v = read_number(s);
      if (v < row.lo || v > row.hi) return false;
      const bool minutes = row.kind == OptionKind::kMinutes;
      row.value.store(set, !minutes ? v : v > INT_MAX / 60 ? INT_MAX : v * 60);
      return true;
    }
    case OptionKind::kChoice: {
      const char* letter =
          *s != '\0' ? std::strchr(row.letters, std::toupper(static_cast<unsigned char>(*s))) : nullptr;
      const int v = letter != nullptr ? row.lo + static_cast<int>(letter - row.letters) : read_number(s);
      if (v < row.lo || v > row.hi) return false;
      row.value.store(set, v);
      return true;
    }
    case OptionKind::kDigit:
      if (*s != '0' + row.lo && *s != '0' + row.hi) return false;
      row.value.store(set, *s - '0');
      return true;
    case OptionKind::kMotif: {  // s is the opening quote
      const char* end = std::strchr(s + 1, '\'');
      if (end == nullptr || end - (s + 1) > kMaxWordLen) return false;
      const auto len = static_cast<std::size_t>(end - (s + 1));
      char* text = row.text(set);
      std::memcpy(text, s + 1, len);
      text[len] = '\0';
      *row.given(set) = true;
      return true;
    }
    case OptionKind::kText: std::snprintf(row.text(set), kMaxPenText + 1, "%s", s); return true;
  }
  return false;
}

}  // namespace

bool apply_option(const char* arg, Settings& set, bool* help) noexcept {
  const OptionRow* row = find_option(arg);
  if (row == nullptr) return false;  // E, O, @, -S alone and everything outside '?'..'Z'
  if (row->kind == OptionKind::kHelp) *help = true;
  return apply_value(*row, arg + 1 + std::strlen(row->name), set);
}

namespace {

// ---- 3. File names ----

// Opens the task's output file: the root task under `name` as given, a
// secondary task t under at most 253 characters of `name` followed by "._t".
bool open_output(const char* name, int task, const Settings& set, RunFiles& files) noexcept {
  if (task == 0)
    std::snprintf(files.output_name, sizeof files.output_name, "%s", name);
  else
    std::snprintf(files.output_name, sizeof files.output_name, "%.*s._%d", kMaxFileName - 3, name, task);
  files.output.file = std::fopen(files.output_name, file_mode(set));
  return files.output.open();
}

// Whether the named file (stat) or the open file (fstat) is a regular file.
bool regular_name(const char* name) noexcept {
  struct stat st;
  return stat(name, &st) != 0 || S_ISREG(st.st_mode);  // a missing name fails at its open
}
bool regular_file(std::FILE* f) noexcept {
  struct stat st;
  return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
}

// Opens the input file for reading. Every task reads the input by itself, so
// only a regular file gives each task the same data: a FIFO would give it to
// one task alone, a terminal would wait, a directory cannot be read. Such a
// name is refused (*irregular set) before it is opened, since opening a FIFO
// waits for a writer.
std::FILE* open_input(const char* name, bool* irregular) noexcept {
  *irregular = !regular_name(name);
  if (*irregular) return nullptr;
  std::FILE* f = std::fopen(name, "rt");
  if (f != nullptr && !regular_file(f)) {  // replaced since the check
    std::fclose(f);
    *irregular = true;
    return nullptr;
  }
  return f;
}

// ---- 4. After the scan ----

// Says why into *why (when given, and when it holds nothing yet), in the
// manner of printf.
__attribute__((format(printf, 2, 3))) void complain(Complaint* why, const char* format, ...) noexcept {
  if (why == nullptr || why->text[0] != '\0') return;
  std::va_list args;
  va_start(args, format);
  std::vsnprintf(why->text, sizeof why->text, format, args);
  va_end(args);
}

// Checks a motif against its word length and the alphabet. When it is valid,
// sets ret_eff to its effective length, len + a-bonus per letter that is not
// a wildcard (any whole number: a negative a-bonus can make it negative),
// computed wide and held at the nearest int when it lies beyond. Returns
// false when the motif is invalid, saying why into *why.
bool check_motif(const char* option, const char* motif, int len, const Settings& set, int& ret_eff,
                 Complaint* why) noexcept {
  const int given = static_cast<int>(std::strlen(motif));
  if (given != len) {
    complain(why, "the motif of %s has %d characters; the word has %d", option, given, len);
    return false;
  }
  const char* alphabet = set.acid ? kAminoAcids : kMotifNucleotides;
  long long eff = len;
  for (const char* c = motif; *c; ++c) {
    if (std::strchr(kWildcards, *c) != nullptr) continue;
    const int lower = std::tolower(static_cast<unsigned char>(*c));
    if (lower == 0 || std::strchr(alphabet, lower) == nullptr) {
      complain(why, "the motif of %s holds '%c', neither a letter of the %s alphabet nor a wildcard (.?x*)",
               option, *c, set.acid ? "amino-acid" : "nucleotide");
      return false;
    }
    eff += set.a_bonus;  // at most 64 terms: no overflow in 64 bits
  }
  ret_eff = static_cast<int>(eff < INT_MIN ? INT_MIN : eff > INT_MAX ? INT_MAX : eff);
  return true;
}

// Splits the penalty text into S numbers. Returns 0, ERARG or ERMEM.
Status build_penalties(Settings& set, Complaint* why) noexcept {
  if (set.smin > set.smax) {
    complain(why, "-SMIN%d is greater than -SMAX%d", set.smin, set.smax);
    return ERARG;
  }
  set.S = set.smax - set.smin + 1;
  if (Status st = table_alloc(set.penalty, ix(set.S)); st != 0) return st;
  static constexpr const char* kSeparators = " ,;'\"";
  const char* p = set.pen_text;
  const bool cut = std::strlen(set.pen_text) == ix(kMaxPenText);
  for (int k = 0; k < set.S; ++k) {
    p += std::strspn(p, kSeparators);
    if (*p == '\0') {
      complain(why, "the spacings %d to %d need %d penalties and -SPEN gives %d%s", set.smin, set.smax, set.S,
               k, cut ? " (-SPEN keeps at most 79 characters)" : "");
      return ERARG;
    }
    const char* digits = p + (*p == '+' || *p == '-' ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) {
      complain(why, "penalty %d of -SPEN is not a number", k + 1);
      return ERARG;
    }
    set.penalty[ix(k)] = read_number(p);
    p += std::strcspn(p, kSeparators);
  }
  return 0;
}

// Hints for arguments that say something else than the user meant, on
// standard error (root task). An argument that starts with '/' is an option,
// even when it names a file; "--help" and "--version" are no options.
void hint_argument(const char* arg) noexcept {
  struct stat st;
  if (arg[0] == '/' && stat(arg, &st) == 0)
    std::fprintf(stderr,
                 "korvax: \"%s\" is read as an option, since '/' starts an option; name the "
                 "file by a relative path\n",
                 arg);
  if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "--version") == 0)
    std::fprintf(stderr,
                 "korvax: korvax %s; its help is -H, run under MPI's launcher "
                 "(mpiexec -n 2 korvax -H)\n",
                 kVersion);
}

// A hint when a proximity can exceed what the proximity matrix holds (255):
// the matrix lowers it, so that a threshold above 255 is never reached there.
void hint_matrix_cap(const Settings& set) noexcept {
  const long long most =
      static_cast<long long>(set.motif_given ? set.leff : set.l) + (set.l2 == 0        ? 0
                                                                    : set.motif2_given ? set.leff2
                                                                                       : set.l2);
  if (set.prox_mode != ProxMode::kMatrix || most <= 255) return;
  std::fprintf(stderr,
               "korvax: a proximity may reach %lld here, and the proximity matrix holds at most "
               "255%s; -X0 computes proximities on the fly without that bound\n",
               most, set.threshold > 255 ? ", below the threshold: no pair reaches it" : "");
}

}  // namespace

int read_number(const char* s) noexcept {
  while (*s == ' ' || *s == '\t') ++s;
  bool neg = false;
  if (*s == '+' || *s == '-') neg = *s++ == '-';
  long long v = 0;
  for (; *s >= '0' && *s <= '9'; ++s)
    if (v <= INT_MAX) v = v * 10 + (*s - '0');
  if (neg) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

// ---- 5. The parse ----

Status parse_command_line(int argc, char** argv, int task, Settings& set, RunFiles& files) noexcept {
  Status st = 0;
  bool help = false, irregular = false;
  int names = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (task == 0) hint_argument(arg);
    bool ok = true;
    if (arg[0] == '-' || arg[0] == '/') {
      ok = apply_option(arg, set, &help);
      if (!ok) st |= ERARG;
    } else if (names == 0) {
      ++names;
      files.input_arg = arg;
      files.input = open_input(arg, &irregular);
      if (files.input == nullptr) {
        st |= ERARG | ERDATA | ERIO;
        ok = false;
      }
    } else if (names == 1) {
      ++names;
      char name[kMaxFileName + 1];  // a named output file is cut at 256 characters
      std::snprintf(name, sizeof name, "%s", arg);
      if (!open_output(name, task, set, files)) {
        st |= ERARG | ERIO;
        ok = false;
      }
    } else {
      st |= ERARG;
      ok = false;
    }
    if (!ok) {
      if (task == 0) std::fprintf(stderr, "Invalid argument \"%s\"\n", arg);
      break;
    }
  }
  if (help) {
    if (task == 0) print_help(stdout);
    return st | HELP;
  }

  if (files.input == nullptr) {
    st |= ERARG | ERDATA;
    std::fprintf(stderr, "[T%d]: Cannot open input data file \"%s\"%s\n", task,
                 files.input_arg ? files.input_arg : "", irregular ? " (not a regular file)" : "");
  } else if (!files.output.open()) {
    char name[kMaxFileName + 8];
    if (task == 0)  // the whole name (up to 256 characters) with ".out" appended
      std::snprintf(name, sizeof name, "%.*s%s", kMaxFileName, files.input_arg, ".out");
    else
      std::snprintf(name, sizeof name, "%.*s", kMaxFileName, files.input_arg);
    if (!open_output(name, task, set, files)) {
      st |= ERARG | ERIO;
      std::fprintf(stderr, "[T%d]: Cannot open output file \"%s\"\n", task, files.output_name);
    }
  }
  if (task == 0 && set.history && files.input != nullptr) {
    char name[kMaxFileName + 8];
    std::snprintf(name, sizeof name, "%.*s.csv", kMaxFileName, files.input_arg);
    files.history.file = std::fopen(name, file_mode(set));
    if (!files.history.open()) {
      st |= ERARG | ERIO;
      std::fprintf(stderr, "Cannot open history file \"%s\"\n", name);
    }
  }
  if (task == 0 && set.diag_level >= 2) {  // written with the first flush of the driver
    Out& out = files.output;
    out.put(kEchoTitle);
    out.print(kEchoProgram, argv[0], kVersion);
    for (int i = 1; i < argc; ++i) out.print(kEchoArgument, i, argv[i]);
    out.put("\n");
  }

  // What the derivation refuses is said only when every argument was read:
  // after an invalid one, the settings behind it were never read.
  const bool scanned = (st & ERARG) == 0;
  Complaint why;
  st |= derive_settings(set, &why);
  if (task == 0 && scanned && why.text[0] != '\0') std::fprintf(stderr, "korvax: %s\n", why.text);
  if (task == 0 && st == 0) hint_matrix_cap(set);
  return st;
}

Status derive_settings(Settings& set, Complaint* why) noexcept {
  Status st = 0;
  if (set.both_strands && set.acid) {
    complain(why, "-RC reads the two strands of DNA; amino-acid sequences (-ACID) have one");
    st |= ERARG;
  }
  if (set.motif_given && !check_motif("-M", set.motif, set.l, set, set.leff, why)) st |= ERARG;
  if (set.motif2_given && !check_motif("-MM", set.motif2, set.l2, set, set.leff2, why)) st |= ERARG;
  // Each half lies within half the int range, so their sum cannot overflow.
  if (set.threshold < 0) {
    set.threshold = (set.motif_given ? set.leff : set.l) / 2 + (set.motif2_given ? set.leff2 : set.l2) / 2;
    set.plain_threshold = set.threshold;
  }
  return st | build_penalties(set, why);
}
