// motif.cpp: count matrix, consensus, IUPAC consensus, information content.
#include "motif.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numeric>

#include "alphabet.hpp"
#include "stats/count_matrix.hpp"

int MotifAlphabet::index(char c) const noexcept { return letter_index(letters, c); }

MotifAlphabet motif_alphabet(bool acid) {
  // DNA in the order of motif files; amino acids in korvax's alphabet order.
  if (!acid) return {"ACGT", true};
  std::string letters = kAminoAcids;
  for (char& c : letters) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {letters, false};
}

char iupac_code(const int counts[4]) noexcept {
  // Bit k set for base k (A, C, G, T): the code of every set of bases.
  static constexpr char kCode[16] = {'N', 'A', 'C', 'M', 'G', 'R', 'S', 'V',
                                     'T', 'W', 'Y', 'H', 'K', 'D', 'B', 'N'};
  int order[4] = {0, 1, 2, 3};
  std::stable_sort(order, order + 4, [&](int a, int b) { return counts[a] > counts[b]; });
  const int total = counts[0] + counts[1] + counts[2] + counts[3];
  if (total == 0) return 'N';
  const int c1 = counts[order[0]], c2 = counts[order[1]];
  if (2 * c1 > total && c1 > 2 * c2) return kCode[1 << order[0]];
  if (4 * (c1 + c2) > 3 * total) return kCode[(1 << order[0]) | (1 << order[1])];
  if (counts[order[3]] == 0) return kCode[15 & ~(1 << order[3])];
  return 'N';
}

MotifMatrix build_motif(const std::string& id, const std::vector<std::string>& words,
                        const MotifAlphabet& abc, const std::vector<double>& background) {
  MotifMatrix m;
  m.id = id;
  const int k = abc.size();
  CountMatrix cm;
  if (count_words(words, abc.letters, cm) == 0) {  // the words of a signal share one width
    m.width = cm.width;
    m.nsites = cm.nsites;
    m.counts = std::move(cm.counts);
  }
  for (int pos = 0; pos < m.width; ++pos) {
    const int* row = m.counts.data() + pos * k;
    const int total = std::accumulate(row, row + k, 0);
    // The first letter of the alphabet wins a tie.
    const int best = static_cast<int>(std::max_element(row, row + k) - row);
    m.consensus += abc.letters[static_cast<std::size_t>(best)];
    if (abc.dna) m.iupac += iupac_code(row);
    double bits = 0;
    for (int a = 0; a < k && total > 0; ++a) {
      const double p = static_cast<double>(row[a]) / total;
      if (p > 0) bits += p * std::log2(p / background[static_cast<std::size_t>(a)]);
    }
    m.bits.push_back(bits);
  }
  return m;
}
