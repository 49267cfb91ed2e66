// alphabet.hpp: the letters of a sequence as korvax reads them.
//
// The two alphabets, the characters that mark a name line, the characters a
// sequence line drops, and how one character of a sequence line becomes the
// letter korvax holds. The data portion reader and korvax-prep both follow
// these rules, so that what korvax-prep accepts is what korvax reads.
#pragma once

#include <cctype>
#include <cstring>

inline constexpr const char* kNucleotides = "actg";  // u is read as t
inline constexpr const char* kAminoAcids = "acdefghiklmnpqrstvwy";
inline constexpr const char* kNameMarks = "<> #@%$()[];,.^'/";  // first character of a name line
inline constexpr const char* kDroppedChars = "-_=";             // left out of a sequence

// The letters of the active alphabet: amino acids (-ACID) or nucleotides.
[[nodiscard]] inline const char* alphabet_letters(bool acid) noexcept {
  return acid ? kAminoAcids : kNucleotides;
}

[[nodiscard]] inline bool is_name_mark(char c) noexcept {
  return c != '\0' && std::strchr(kNameMarks, c) != nullptr;
}

[[nodiscard]] inline bool is_dropped(char c) noexcept {
  return c != '\0' && std::strchr(kDroppedChars, c) != nullptr;
}

// One character of a sequence line as korvax holds it: lower case, and for
// nucleotides u read as t.
[[nodiscard]] inline char fold_letter(char c, bool acid) noexcept {
  const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return !acid && x == 'u' ? 't' : x;
}

// Whether a folded letter belongs to the active alphabet.
[[nodiscard]] inline bool in_alphabet(char x, bool acid) noexcept {
  return x != '\0' && std::strchr(alphabet_letters(acid), x) != nullptr;
}

// The width names are printed with: the longest name, lowered to the name
// width limit (-N) when that is above 0 (a limit of 0 or below cuts no name).
[[nodiscard]] inline int name_print_width(int longest, int limit) noexcept {
  return limit > 0 && longest > limit ? limit : longest;
}

// The nucleotide paired with x on the other strand; any other character
// (a masked junction, an unknown letter) stays as it is.
[[nodiscard]] inline char complement(char x) noexcept {
  switch (x) {
    case 'a': return 't';
    case 't': return 'a';
    case 'c': return 'g';
    case 'g': return 'c';
    default: return x;
  }
}
