// prep_plan.cpp: checking the records against what korvax reads, and fixing
// what the options allow.
//
// Contents
//   1. The alphabet
//   2. One record
//   3. Names
//   4. The data portions
//   5. The plan
#include "prep_plan.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "alphabet.hpp"
#include "portion.hpp"

namespace {

// ---- 1. The alphabet ----

// Nucleotide files hold little besides these; protein files a good deal more.
constexpr const char* kNucleotideLike = "acgtun";
constexpr double kNucleotideShare = 0.9;

void choose_alphabet(const FastaInput& in, const PrepOptions& opt, PrepPlan& plan) {
  long letters = 0, nucleotide_like = 0;
  for (const auto& r : in.records)
    for (const char c : r.letters) {
      if (!std::isalpha(static_cast<unsigned char>(c))) continue;
      ++letters;
      const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (std::strchr(kNucleotideLike, x) != nullptr) ++nucleotide_like;
    }
  plan.nucleotide_share =
      letters == 0 ? 1.0 : static_cast<double>(nucleotide_like) / static_cast<double>(letters);
  plan.guessed = opt.alphabet == AlphabetChoice::guess;
  plan.acid =
      plan.guessed ? plan.nucleotide_share < kNucleotideShare : opt.alphabet == AlphabetChoice::protein;
}

// ---- 2. One record ----

std::string shown_char(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u > 32 && u < 127) return std::string(1, c);
  static const char* hex = "0123456789abcdef";
  return std::string("\\x") + hex[u >> 4] + hex[u & 15];
}

std::string label(int k, const std::string& name) {
  return "sequence " + std::to_string(k) + " '" + name + "'";
}

// The longest run of letters of the alphabet (the first of equal runs):
// its start and length.
std::pair<std::size_t, std::size_t> longest_clean(const std::string& s, bool acid) {
  std::size_t best = 0, best_len = 0, start = 0;
  for (std::size_t j = 0; j <= s.size(); ++j) {
    if (j < s.size() && in_alphabet(fold_letter(s[j], acid), acid)) continue;
    if (j - start > best_len) {
      best = start;
      best_len = j - start;
    }
    start = j + 1;
  }
  return {best, best_len};
}

// Folds the letters of record k (keeping their case with --keep-case) and
// applies the rule for letters outside the alphabet. Returns false when the
// record is left out; ret_offset is where the letters kept start.
bool take_letters(const FastaRecord& r, int k, const PrepOptions& opt, PrepPlan& plan, std::string& out,
                  std::size_t& ret_offset) {
  const bool acid = plan.acid;
  ret_offset = 0;
  out.resize(r.letters.size());
  std::size_t bad = 0, first_bad = 0;
  std::string kinds;
  for (std::size_t j = 0; j < r.letters.size(); ++j) {
    const char c = r.letters[j];
    if (!acid && (c == 'u' || c == 'U')) ++plan.changes.u_to_t;
    const char folded = fold_letter(c, acid);
    const bool upper = std::isupper(static_cast<unsigned char>(c)) != 0;
    out[j] =
        opt.keep_case && upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(folded))) : folded;
    if (upper && !opt.keep_case) ++plan.changes.case_folded;
    if (in_alphabet(folded, acid)) continue;
    if (bad++ == 0) first_bad = j;
    const std::string shown = shown_char(c);
    if (kinds.size() < 40 && kinds.find(" " + shown + ",") == std::string::npos) kinds += " " + shown + ",";
  }
  if (bad == 0) return true;
  kinds.pop_back();
  Note note{opt.ambiguous == AmbiguousRule::refuse, NoteKind::letters, line_of_letter(r, first_bad),
            label(k, r.name) + ": " + std::to_string(bad) + (bad == 1 ? " letter" : " letters") +
                " outside the " + (acid ? "protein" : "DNA") + " alphabet (" + kinds.substr(1) +
                "), the first at position " + std::to_string(first_bad + 1)};
  bool kept = true;
  if (opt.ambiguous == AmbiguousRule::drop) {
    note.text += "; left out (--ambiguous=drop)";
    ++plan.changes.ambiguous_dropped;
    kept = false;
  } else if (opt.ambiguous == AmbiguousRule::cut) {
    const auto [at, len] = longest_clean(out, acid);
    if (len == 0) {
      note.text += "; no letter of the alphabet left, left out (--ambiguous=cut)";
      ++plan.changes.ambiguous_dropped;
      kept = false;
    } else {
      note.text += "; cut to positions " + std::to_string(at + 1) + ".." + std::to_string(at + len) + " (" +
                   std::to_string(len) + " letters, --ambiguous=cut)";
      ++plan.changes.ambiguous_cut;
      out = out.substr(at, len);
      ret_offset = at;
    }
  }
  plan.notes.push_back(note);
  return kept;
}

// ---- 3. Names ----

std::string take_name(const FastaRecord& r, int k, const PrepOptions& opt, PrepPlan& plan) {
  std::string name = r.name;
  if (r.described) ++plan.changes.described;
  if (name.empty()) plan.notes.push_back({false, NoteKind::unnamed, r.line, label(k, name) + " has no name"});
  const int w = opt.name_width;
  if (w > 0 && name.size() > ix(w)) {
    name.resize(ix(w));
    ++plan.changes.names_cut;
    plan.notes.push_back(
        {false, NoteKind::name_cut, r.line,
         label(k, r.name) + ": name cut to '" + name + "' (--name-width=" + std::to_string(w) + ")"});
  } else if (name.size() > ix(kMaxNameLen)) {
    plan.notes.push_back({true, NoteKind::name_too_long, r.line,
                          "sequence " + std::to_string(k) + ": a name of " + std::to_string(name.size()) +
                              " characters; korvax reads at most " + std::to_string(kMaxNameLen) +
                              " (use --name-width)"});
  }
  if (const std::size_t zero = name.find('\0'); zero != std::string::npos)
    plan.notes.push_back({true, NoteKind::name_zero, r.line,
                          "sequence " + std::to_string(k) + " '" + name.substr(0, zero) +
                              "...': a zero byte in the name (character " + std::to_string(zero + 1) +
                              "); korvax reads a name only up to it"});
  return name;
}

// name with "_k" behind it, the name cut so that the whole fits the name
// width (or korvax's longest name).
std::string with_suffix(const std::string& name, int k, int width) {
  const std::string suffix = "_" + std::to_string(k);
  const std::size_t limit = ix(width > 0 ? width : kMaxNameLen);
  const std::size_t keep = limit > suffix.size() ? limit - suffix.size() : 0;
  return name.substr(0, keep) + suffix;
}

// Names written twice: korvax's report could not tell those sequences apart.
// Refused, or with --unique-names the later ones get the first free suffix
// _2, _3, ... (free among every name of the file, suffixed ones too).
void resolve_duplicates(const PrepOptions& opt, const std::vector<int>& index, const std::vector<long>& line,
                        PrepPlan& plan) {
  std::unordered_map<std::string, std::size_t> first;
  std::unordered_set<std::string> taken;
  for (const PrepSeq& s : plan.seqs) taken.insert(s.name);
  for (std::size_t i = 0; i < plan.seqs.size(); ++i) {
    std::string& name = plan.seqs[i].name;
    if (name.empty()) continue;
    const auto [at, fresh] = first.emplace(name, i);
    if (fresh) continue;
    std::string text = label(index[i], name) + ": the name of sequence " + std::to_string(index[at->second]) +
                       " (line " + std::to_string(line[at->second]) + ") too";
    if (!opt.unique_names) {
      plan.notes.push_back(
          {true, NoteKind::duplicate, line[i],
           text + "; korvax's report could not tell them apart (--unique-names adds _2, _3, ...)"});
      continue;
    }
    std::string unique;
    for (int k = 2; taken.count(unique = with_suffix(name, k, opt.name_width)) != 0; ++k) {
    }
    plan.notes.push_back(
        {false, NoteKind::duplicate, line[i], text + "; written as '" + unique + "' (--unique-names)"});
    ++plan.changes.names_suffixed;
    taken.insert(unique);
    name = unique;
    first.emplace(name, i);
  }
}

// ---- 4. The data portions ----

// Up to 256 sequences: one portion. More, with --split: as few portions of
// at most 256 as will do, their sizes as even as can be (so none is left
// with a single sequence).
void split_portions(const PrepOptions& opt, PrepPlan& plan) {
  const int n = static_cast<int>(plan.seqs.size());
  if (n < 2) {
    plan.notes.push_back({true, NoteKind::count, 0,
                          std::to_string(n) + (n == 1 ? " sequence" : " sequences") +
                              " to write; korvax needs at least 2 in a data portion"});
    return;
  }
  const int parts = (n + kMaxSeqs - 1) / kMaxSeqs;
  if (parts > 1 && !opt.split) {
    plan.notes.push_back({true, NoteKind::count, 0,
                          std::to_string(n) + " sequences; korvax reads at most " + std::to_string(kMaxSeqs) +
                              " in a data portion (--split writes " + std::to_string(parts) +
                              " data portions)"});
    return;
  }
  for (int p = 0; p < parts; ++p) plan.portions.push_back(n / parts + (p < n % parts ? 1 : 0));
}

// ---- 5. The plan ----

LengthSummary length_summary(const PrepPlan& plan) {
  std::vector<int> len;
  for (const auto& s : plan.seqs) len.push_back(static_cast<int>(s.letters.size()));
  if (len.empty()) return {};
  std::sort(len.begin(), len.end());
  const std::size_t h = len.size() / 2;
  const double median = len.size() % 2 ? len[h] : (len[h - 1] + len[h]) / 2.0;
  return {len.front(), len.back(), median};
}

void plan_all(const FastaInput& in, const PrepOptions& opt, PrepPlan& plan) {
  choose_alphabet(in, opt, plan);
  plan.records = static_cast<int>(in.records.size());
  plan.changes.crlf = in.crlf;
  plan.changes.cr = in.cr;
  plan.changes.byte_order_mark = in.byte_order_mark;
  std::vector<int> index;  // of every written sequence: its number in the file
  std::vector<long> line;  // and the line of its header
  int k = 0;
  for (const auto& r : in.records) {
    ++k;
    plan.changes.dropped_chars += r.dropped;
    plan.changes.blanks += r.blanks;
    std::string letters;
    std::size_t offset = 0;
    if (!take_letters(r, k, opt, plan, letters, offset)) continue;
    if (letters.empty()) {
      ++plan.changes.empty_dropped;
      plan.notes.push_back(
          {false, NoteKind::empty, r.line,
           label(k, r.name) + " has no letters; left out (an empty line ends a data portion)"});
      continue;
    }
    if (letters.size() > ix(kMaxLetters))
      plan.notes.push_back({true, NoteKind::too_long, r.line,
                            label(k, r.name) + " has " + std::to_string(letters.size()) +
                                " letters; korvax reads at most " + std::to_string(kMaxLetters) +
                                " (a line of " + std::to_string(kMaxLine) +
                                " characters with its line end)"});
    plan.seqs.push_back({take_name(r, k, opt, plan), std::move(letters), offset, r.name, r.letters.size()});
    index.push_back(k);
    line.push_back(r.line);
  }
  resolve_duplicates(opt, index, line, plan);
  split_portions(opt, plan);
  plan.lengths = length_summary(plan);
  plan.errors = static_cast<int>(
      std::count_if(plan.notes.begin(), plan.notes.end(), [](const Note& n) { return n.error; }));
}

}  // namespace

Status make_plan(const FastaInput& in, const PrepOptions& opt, PrepPlan& ret_plan) noexcept {
  ret_plan = {};
  try {
    plan_all(in, opt, ret_plan);
  } catch (const std::bad_alloc&) {
    ret_plan = {};
    return ERMEM;
  }
  return ret_plan.errors == 0 ? 0 : ERDATA;
}
