// options.cpp: the table of korvax's options.
#include "options.hpp"

#include <cctype>
#include <cstring>

namespace {

using K = OptionKind;

char* motif_text(Settings& s) noexcept { return s.motif; }
char* motif2_text(Settings& s) noexcept { return s.motif2; }
char* pen_text(Settings& s) noexcept { return s.pen_text; }
bool* motif_given(Settings& s) noexcept { return &s.motif_given; }
bool* motif2_given(Settings& s) noexcept { return &s.motif2_given; }

constexpr int kMax = INT_MAX, kMin = INT_MIN;

// The help lines are the program's interface, byte for byte.
const OptionRow kRows[] = {
    {"A", K::kFlag, field<&Settings::append>(), 0, 1, nullptr, nullptr, nullptr,
     " -A    Append to output files (re-write default)\n"},
    {"ACID", K::kFlag, field<&Settings::acid>(), 0, 1, nullptr, nullptr, nullptr,
     " -ACID Amino acid alphabet (nucleotide alphabet by default)\n"},
    {"BA", K::kNumber, field<&Settings::ba>(), 0, kMax, nullptr, nullptr, nullptr,
     " -BAn  Bonus for absolute conservative position (%d default)\n"},
    {"BC", K::kNumber, field<&Settings::bc>(), 0, kMax, nullptr, nullptr, nullptr,
     " -BCn  Bonus for conservative position (%d default)\n"},
    {"BX", K::kNumber, field<&Settings::bx>(), 0, kMax, nullptr, nullptr, nullptr,
     " -BXn  Max number of exclusions from consensus (%d default)\n"},
    {"BG", K::kNumber, field<&Settings::background>(), 0, 1, nullptr, nullptr, nullptr,
     " -BGn  Background: 0=letters alike, 1=information of letters (0 default)\n"},
    {"C", K::kNumber, field<&Settings::console_level>(), 0, 2, nullptr, nullptr, nullptr,
     " -Cn   Console output level n=0..2 (%d default)\n"},
    {"D", K::kNumber, field<&Settings::diag_level>(), 0, 4, nullptr, nullptr, nullptr,
     " -Dn   Write level n=0..4 diagnostics into output file (%d default)\n"},
    {"F", K::kFlag, field<&Settings::history>(), 0, 1, nullptr, nullptr, nullptr,
     " -F    Write history file (.csv) on termination (none by default)\n"},
    {"G", K::kChoice, field<&Settings::aggregation>(), 1, 2, "SM", nullptr, nullptr,
     " -Gx   Aggregation mode: 1|S=sum, 2|M=max (%d default)\n"},
    {"H", K::kHelp, {}, 0, 0, nullptr, nullptr, nullptr, " -H    Print help information\n"},
    {"?", K::kHelp},
    {"I", K::kNumber, field<&Settings::aftermax>(), 1, kMax, nullptr, nullptr, nullptr,
     " -In   Maximum number of non-improving iterations in a Q-list (%d default)\n"},
    {"J", K::kChoice, field<&Settings::new_words_mode>(), 0, 2, "IAR", nullptr, nullptr,
     " -Jx   New words accounting: 0|I=ignore, 1|A=allow, 2|R=reset (%d default)\n"},
    {"K", K::kFlag, field<&Settings::mask_lower>(), 0, 1, nullptr, nullptr, nullptr,
     " -K    Mask lower-case letters: no word holds one (case ignored by default)\n"},
    {"L", K::kNumber, field<&Settings::l>(), 1, kMaxWordLen, nullptr, nullptr, nullptr,
     " -Ln   Set word length n (%d default)\n"},
    {"LL", K::kNumber, field<&Settings::l2>(), 1, kMaxWordLen, nullptr, nullptr, nullptr,
     " -LLn  Set 2nd word length n (%d default)\n"},
    {"M",
     K::kMotif,
     {},
     0,
     0,
     nullptr,
     motif_text,
     motif_given,
     " -M's' Set word motif 's' (none by default)\n"},
    {"MM",
     K::kMotif,
     {},
     0,
     0,
     nullptr,
     motif2_text,
     motif2_given,
     " -MM's' Set 2nd word motif 's' (none by default)\n"},
    {"MB", K::kNumber, field<&Settings::a_bonus>(), kMin, kMax, nullptr, nullptr, nullptr,
     " -MBn  Bonus for conformity to a-motif (%d default)\n"},
    {"MP", K::kNumber, field<&Settings::a_penalty>(), kMin, kMax, nullptr, nullptr, nullptr,
     " -MPn  Penalty for nonconformity to A-motif (%d default)\n"},
    {"N", K::kNumber, field<&Settings::name_width_limit>(), kMin, kMax, nullptr, nullptr, nullptr,
     " -Nn   Max length of seq name, 0=don't truncate (%d default)\n"},
    {"P", K::kNumber, field<&Settings::pairs>(), kMin, kMax, nullptr, nullptr, nullptr,
     " -Pn   Minimum pairs per sequence to try; 0=all (default)\n"},
    {"Q", K::kNumber, field<&Settings::qlist_limit>(), 0, kMax, nullptr, nullptr, nullptr,
     " -Qn   Limit of permutations in a Q-list; 0=no limit (%d default)\n"},
    {"R", K::kNumber, field<&Settings::best_results>(), 1, kMax, nullptr, nullptr, nullptr,
     " -Rn   Number of best results to print (%d default)\n"},
    {"RC", K::kFlag, field<&Settings::both_strands>(), 0, 1, nullptr, nullptr, nullptr,
     " -RC   Both strands: words of the reverse complement too (given strand by default)\n"},
    {"SMIN", K::kNumber, field<&Settings::smin>(), 0, kMaxSpacing, nullptr, nullptr, nullptr,
     " -SMINn Minimum spacing to 2nd word if any (%d default)\n"},
    {"SMAX", K::kNumber, field<&Settings::smax>(), 0, kMaxSpacing, nullptr, nullptr, nullptr,
     " -SMAXn Maximum spacing to 2nd word if any (%d default)\n"},
    {"SPEN",
     K::kText,
     {},
     0,
     0,
     nullptr,
     pen_text,
     nullptr,
     " -SPENs Penalty for spacing between words(%s default)\n"},
    {"SEED", K::kDigits, field<&Settings::seed>(), 0, kMax, nullptr, nullptr, nullptr,
     " -SEEDn Seed of the coin: same seed and tasks, same run (none by default)\n"},
    {"T", K::kNumber, field<&Settings::threshold>(), 1, kMax, nullptr, nullptr, nullptr,
     " -Tn   Set quality threshold (L/2 default)\n"},
    {"U", K::kNumber, field<&Settings::perm_limit>(), 1, kMax, nullptr, nullptr, nullptr,
     " -Un   Limit number of permutations (%d default)\n"},
    {"V", K::kNumber, field<&Settings::new_q>(), 1, 12, nullptr, nullptr, nullptr,
     " -Vn   Limit of new Q-permutations at a time (%d default)\n"},
    {"W", K::kMinutes, field<&Settings::time_limit>(), 0, kMax, nullptr, nullptr, nullptr,
     " -Wn   Limit time of calculation, minutes; 0=no limit (%d default)\n"},
    {"X", K::kDigit, field<&Settings::prox_mode>(), 0, 1, nullptr, nullptr, nullptr,
     " -Xn   Proximity: -x1=fill matrix, -x0=calculate on the fly (%d default)\n"},
    {"Y", K::kNumber, field<&Settings::mincover>(), kMin, kMax, nullptr, nullptr, nullptr,
     " -Yn   Minimum coverage if checking all pairs (logn default)\n"},
    {"Z", K::kChoice, field<&Settings::secondary_mode>(), 0, 2, "RAS", nullptr, nullptr,
     " -Zx   Secondary files: 0|R=remove, 1|A=append, 2|S=save (%d default)\n"},
};

// The length of name when arg starts with it (any case), else 0.
std::size_t prefix_length(const char* arg, const char* name) noexcept {
  std::size_t k = 0;
  for (; name[k] != '\0'; ++k)
    if (arg[k] == '\0' ||
        std::toupper(static_cast<unsigned char>(arg[k])) != static_cast<unsigned char>(name[k]))
      return 0;
  return k;
}

}  // namespace

std::span<const OptionRow> option_rows() noexcept { return kRows; }

const OptionRow* find_option(const char* arg) noexcept {
  const char* o = arg + 1;
  const OptionRow* best = nullptr;
  std::size_t best_len = 0;
  for (const OptionRow& row : kRows) {
    const std::size_t len = prefix_length(o, row.name);
    if (len <= best_len) continue;
    if (row.kind == OptionKind::kMotif && o[len] != '\'') continue;
    best = &row;
    best_len = len;
  }
  return best;
}
