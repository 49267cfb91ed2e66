// motif.hpp: the count matrix of a set of aligned words, and what is read from it.
#pragma once

#include <string>
#include <vector>

// The letters of a motif alphabet, in the order of the matrix columns.
struct MotifAlphabet {
  std::string letters;  // upper case: "ACGT", or the 20 amino acids
  bool dna = true;
  [[nodiscard]] int size() const noexcept { return static_cast<int>(letters.size()); }
  [[nodiscard]] int index(char c) const noexcept;  // -1 for a letter outside it
};

[[nodiscard]] MotifAlphabet motif_alphabet(bool acid);

struct MotifMatrix {
  std::string id;            // unique in an export: "portion1", "portion1.word2.spacing17"
  int width = 0;             // letters per word
  int nsites = 0;            // words counted
  std::vector<int> counts;   // width x alphabet size, row-major by position
  std::string consensus;     // the most frequent letter of each position
  std::string iupac;         // DNA: the IUPAC code of each position; empty for protein
  std::vector<double> bits;  // information content of each position against the background

  [[nodiscard]] int count(int pos, int letter, int k) const noexcept {
    return counts[static_cast<std::size_t>(pos * k + letter)];
  }
};

// Counts the words (all of one width, letters in any case) and derives the
// consensus, the IUPAC consensus (DNA) and the information content in bits
// against the background (one frequency per letter of the alphabet).
[[nodiscard]] MotifMatrix build_motif(const std::string& id, const std::vector<std::string>& words,
                                      const MotifAlphabet& abc, const std::vector<double>& background);

// The IUPAC code of one position from its four counts (A, C, G, T): one base
// when it is above half of the sites and above twice the next; two bases when
// those two are above three quarters; three when one base is absent; else N.
[[nodiscard]] char iupac_code(const int counts[4]) noexcept;
