// evalue.hpp: the significance of a signal: the p-value of its sites'
// log-likelihood ratio, the number of alignments of that many sites that the
// sequences allow, the E-value (their product), and each site's p-value.
//
// Alignments (docs/statistics.md): the ways to place N sites, at most one per
// sequence, in sequences of lengths L_1 .. L_n:
//     A = e_N(P(L_1), ..., P(L_n)),
// the sum over every choice of N sequences of the product of their places,
// P(L) the places of a site in a sequence of length L: L - w + 1 for one
// word, the sum over the spacings s searched of L - (l + s + l2) + 1 for a
// word pair (places that do not fit count 0), twice that when the search read
// both strands (-RC). With equal lengths A is
// C(n, N) * P(L)^N. E = p * A, kept as ln E.
#pragma once

#include <string>
#include <vector>

#include "background.hpp"
#include "llr_pvalue.hpp"
#include "site_pvalue.hpp"

// The shape of one site in its sequence.
struct SiteSpan {
  int l = 0;               // letters of the (first) word
  int l2 = 0;              // word pair: letters of the second word, else 0
  int smin = 0, smax = 0;  // word pair: the spacings searched
  int strands = 1;         // 2 when the search read both strands (-RC)
};

// The places of a site in a sequence of the given length.
[[nodiscard]] long long site_places(int length, const SiteSpan& span) noexcept;

// ln A for nsites sites in sequences of the given lengths; -infinity when
// fewer than nsites sequences hold a place. Returns 0; ERMEM.
[[nodiscard]] Status log_alignments(const std::vector<int>& lengths, int nsites, const SiteSpan& span,
                                    double& ret) noexcept;

// A signal as the statistics see it.
struct SignalData {
  std::vector<std::string> words;  // one per site; a word pair's two words concatenated
  std::vector<int> site_seqs;      // 0-based sequence of each site
  std::vector<int> lengths;        // every sequence's length; empty: no E-value
  SiteSpan span;
};

struct SignalStats {
  int nsites = 0;
  int width = 0;  // columns: l, or l + l2 for a word pair
  double pseudocount = kPseudocount;
  LlrTest llr;                // llr.log_p: ln p-value of the sites' ratio
  bool has_evalue = false;    // false without the sequences' lengths
  double log_alignments = 0;  // ln A
  double log_evalue = 0;      // ln E = llr.log_p + ln A
  double score_grid = kScoreGrid;
  std::vector<double> site_log_p;  // ln p-value of each site's score, in the order of words
};

// Everything above for d against bg. Returns 0; ERDATA when d has no site,
// words of different widths or letters outside bg, or (with lengths) a site
// whose sequence is not among them or holds no place for it, or two sites in
// one sequence; ERMEM.
[[nodiscard]] Status signal_stats(const SignalData& d, const Background& bg, SignalStats& ret) noexcept;
