// cmdline.cpp: scanning the command line, opening the files, deriving settings.
//
// Contents
//   1. Numbers and letters
//   2. Options
//   3. File names
//   4. After the scan: files, echo, lengths, motifs, threshold, penalties
//   5. The parse
#include "cmdline.hpp"

#include "report_layout.hpp"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#include "alphabet.hpp"

namespace {

// ---- 1. Numbers and letters ----

int upper(char c) noexcept { return std::toupper(static_cast<unsigned char>(c)); }

// True when s starts with the letters of word, compared without regard to case.
bool starts_with_ci(const char* s, const char* word) noexcept {
  for (; *word; ++s, ++word)
    if (*s == '\0' || upper(*s) != upper(*word)) return false;
  return true;
}

// A nucleotide motif may hold u, compared as written (sequences hold t).
const char* kMotifNucleotides = "actgu";
const char* kWildcards = ".?x*";

// The file mode in force: "w+t", or "a+t" in append mode.
const char* file_mode(const Settings& set) noexcept { return set.append ? "a+t" : "w+t"; }

// ---- 2. Options ----

// Sets *field to the number at s when it lies in lo..hi; false otherwise.
bool set_in_range(int* field, const char* s, int lo, int hi) noexcept {
  const int v = read_number(s);
  if (v < lo || v > hi) return false;
  *field = v;
  return true;
}

// A letter choice (-G, -J, -Z): the letter at s selects its index in letters
// (mapped through values), else a number among values.
bool set_choice(int* field, const char* s, const char* letters, const int* values,
                int count) noexcept {
  for (int k = 0; k < count; ++k)
    if (*s != '\0' && upper(*s) == letters[k]) {
      *field = values[k];
      return true;
    }
  const int v = read_number(s);
  for (int k = 0; k < count; ++k)
    if (v == values[k]) {
      *field = v;
      return true;
    }
  return false;
}

// A motif text: after the opening quote at s[-1], up to the closing quote.
bool set_motif(char* motif, bool* given, const char* s) noexcept {
  const char* end = std::strchr(s, '\'');
  if (end == nullptr || end - s > kMaxWordLen) return false;
  const auto len = static_cast<std::size_t>(end - s);
  std::memcpy(motif, s, len);
  motif[len] = '\0';
  *given = true;
  return true;
}

}  // namespace

bool apply_option(const char* arg, Settings& set, bool* help) noexcept {
  const char* o = arg + 1;  // the selecting character
  switch (upper(*o)) {
    case '?':
    case 'H':
      *help = true;
      return true;
    case 'A':
      if (starts_with_ci(o, "ACID"))
        set.acid = true;
      else
        set.append = true;
      return true;
    case 'B': {
      int* field = nullptr;
      switch (upper(o[1])) {
        case 'A': field = &set.ba; break;
        case 'C': field = &set.bc; break;
        case 'X': field = &set.bx; break;
        case 'G': return set_in_range(&set.background, o + 2, 0, 1);
        default: return false;
      }
      return set_in_range(field, o + 2, 0, INT_MAX);
    }
    case 'C': return set_in_range(&set.console_level, o + 1, 0, 2);
    case 'D': return set_in_range(&set.diag_level, o + 1, 0, 4);
    case 'F':
      set.history = true;
      return true;
    case 'G': {
      static constexpr int values[] = {1, 2};
      return set_choice(&set.aggregation, o + 1, "SM", values, 2);
    }
    case 'I': return set_in_range(&set.aftermax, o + 1, 1, INT_MAX);
    case 'J': {
      static constexpr int values[] = {0, 1, 2};
      return set_choice(&set.new_words_mode, o + 1, "IAR", values, 3);
    }
    case 'L':
      if (upper(o[1]) == 'L') return set_in_range(&set.l2, o + 2, 1, kMaxWordLen);
      return set_in_range(&set.l, o + 1, 1, kMaxWordLen);
    case 'M':
      if (o[1] == '\'') return set_motif(set.motif, &set.motif_given, o + 2);
      if (upper(o[1]) == 'M' && o[2] == '\'')
        return set_motif(set.motif2, &set.motif2_given, o + 3);
      if (upper(o[1]) == 'B') return set_in_range(&set.a_bonus, o + 2, INT_MIN, INT_MAX);
      if (upper(o[1]) == 'P') return set_in_range(&set.a_penalty, o + 2, INT_MIN, INT_MAX);
      return false;  // -MM without its quote included
    case 'N': return set_in_range(&set.name_width_limit, o + 1, INT_MIN, INT_MAX);
    case 'P': return set_in_range(&set.pairs, o + 1, INT_MIN, INT_MAX);
    case 'Q': return set_in_range(&set.qlist_limit, o + 1, 0, INT_MAX);
    case 'R': return set_in_range(&set.best_results, o + 1, 1, INT_MAX);
    case 'S':
      if (starts_with_ci(o, "SMIN")) return set_in_range(&set.smin, o + 4, 0, kMaxSpacing);
      if (starts_with_ci(o, "SMAX")) return set_in_range(&set.smax, o + 4, 0, kMaxSpacing);
      if (starts_with_ci(o, "SPEN")) {
        std::snprintf(set.pen_text, sizeof set.pen_text, "%s", o + 4);
        return true;
      }
      return false;
    case 'T': return set_in_range(&set.threshold, o + 1, 1, INT_MAX);
    case 'U': return set_in_range(&set.perm_limit, o + 1, 1, INT_MAX);
    case 'V': return set_in_range(&set.new_q, o + 1, 1, 12);
    case 'W': {
      int minutes = 0;
      if (!set_in_range(&minutes, o + 1, 0, INT_MAX)) return false;
      set.time_limit = minutes > INT_MAX / 60 ? INT_MAX : minutes * 60;
      return true;
    }
    case 'X':
      if (o[1] != '0' && o[1] != '1') return false;
      set.prox_mode = o[1] - '0';
      return true;
    case 'Y': return set_in_range(&set.mincover, o + 1, INT_MIN, INT_MAX);
    case 'Z': {
      static constexpr int values[] = {0, 1, 2};
      return set_choice(&set.secondary_mode, o + 1, "RAS", values, 3);
    }
    default: return false;  // E, K, O, @ and everything outside '?'..'Z'
  }
}

namespace {

// ---- 3. File names ----

// Opens the task's output file: the root task under `name` as given, a
// secondary task t under at most 253 characters of `name` followed by "._t".
bool open_output(const char* name, int task, const Settings& set, RunFiles& files) noexcept {
  if (task == 0)
    std::snprintf(files.output_name, sizeof files.output_name, "%s", name);
  else
    std::snprintf(files.output_name, sizeof files.output_name, "%.*s._%d", kMaxFileName - 3,
                  name, task);
  files.output = std::fopen(files.output_name, file_mode(set));
  return files.output != nullptr;
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

// Checks a motif against its word length and the alphabet. When it is valid,
// sets ret_eff to its effective length, len + a-bonus per letter that is not
// a wildcard (any whole number: a negative a-bonus can make it negative),
// computed wide and held at the nearest int when it lies beyond. Returns
// false when the motif is invalid.
bool check_motif(const char* motif, int len, const Settings& set, int& ret_eff) noexcept {
  if (static_cast<int>(std::strlen(motif)) != len) return false;
  const char* alphabet = set.acid ? kAminoAcids : kMotifNucleotides;
  long long eff = len;
  for (const char* c = motif; *c; ++c) {
    if (std::strchr(kWildcards, *c) != nullptr) continue;
    const int lower = std::tolower(static_cast<unsigned char>(*c));
    if (lower == 0 || std::strchr(alphabet, lower) == nullptr) return false;
    eff += set.a_bonus;  // at most 64 terms: no overflow in 64 bits
  }
  ret_eff = static_cast<int>(eff < INT_MIN ? INT_MIN : eff > INT_MAX ? INT_MAX : eff);
  return true;
}

// Splits the penalty text into S numbers. Returns 0, ERARG or ERMEM.
Status build_penalties(Settings& set) noexcept {
  if (set.smin > set.smax) return ERARG;
  set.S = set.smax - set.smin + 1;
  if (Status st = table_alloc(set.penalty, static_cast<std::size_t>(set.S)); st != 0) return st;
  static constexpr const char* kSeparators = " ,;'\"";
  const char* p = set.pen_text;
  for (int k = 0; k < set.S; ++k) {
    p += std::strspn(p, kSeparators);
    if (*p == '\0') return ERARG;  // too few penalties
    const char* digits = p + (*p == '+' || *p == '-' ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return ERARG;
    set.penalty[static_cast<std::size_t>(k)] = read_number(p);
    p += std::strcspn(p, kSeparators);
  }
  return 0;
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

Status parse_command_line(int argc, char** argv, int task, Settings& set,
                          RunFiles& files) noexcept {
  Status st = 0;
  bool help = false, irregular = false;
  int names = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
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
  } else if (files.output == nullptr) {
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
    files.history = std::fopen(name, file_mode(set));
    if (files.history == nullptr) {
      st |= ERARG | ERIO;
      std::fprintf(stderr, "Cannot open history file \"%s\"\n", name);
    }
  }
  if (task == 0 && set.diag_level >= 2 && files.output != nullptr) {
    std::fputs(kEchoTitle, files.output);
    std::fprintf(files.output, kEchoProgram, argv[0], kVersion);
    for (int i = 1; i < argc; ++i) std::fprintf(files.output, kEchoArgument, i, argv[i]);
    std::fputs("\n", files.output);
  }

  return st | derive_settings(set);
}

Status derive_settings(Settings& set) noexcept {
  Status st = 0;
  if (set.l < 0) set.l = 18;
  if (set.l2 < 0) set.l2 = 0;
  if (set.motif_given && !check_motif(set.motif, set.l, set, set.leff)) st |= ERARG;
  if (set.motif2_given && !check_motif(set.motif2, set.l2, set, set.leff2)) st |= ERARG;
  // Each half lies within half the int range, so their sum cannot overflow.
  if (set.threshold < 0) {
    set.threshold = (set.motif_given ? set.leff : set.l) / 2 +
                    (set.motif2_given ? set.leff2 : set.l2) / 2;
    set.plain_threshold = set.threshold;
  }
  return st | build_penalties(set);
}
