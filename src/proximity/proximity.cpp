// proximity.cpp: the proximity of two words, computed from their letters.
#include "proximity.hpp"

#include <cctype>

#include "background.hpp"
#include "word_index.hpp"

long long score_words(const Settings& s, const PortionSettings& p, const char* x, const char* y, int len,
                      const char* motif) noexcept {
  long long sum = 0;
  if (motif == nullptr) {
    for (int k = 0; k < len; ++k) sum += x[k] == y[k] ? letter_weight(s, p, x[k]) : 0;
    return sum;
  }
  const long long unit = prox_unit(s), a_bonus = unit * s.a_bonus, a_penalty = unit * s.a_penalty;
  for (int k = 0; k < len; ++k) {
    const char c = motif[k];
    const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool wildcard = lc == '.' || lc == '?' || lc == 'x' || lc == '*';
    const bool upper_case = !wildcard && c != lc;
    if (x[k] == y[k]) {
      sum += letter_weight(s, p, x[k]);
      if (!wildcard) {
        if (x[k] == lc)
          sum += a_bonus;
        else if (upper_case)
          sum -= a_penalty;
      }
    } else if (upper_case) {
      sum -= a_penalty;
    }
  }
  return sum;
}

int proximity_on_the_fly(const ProxEnv& e, int a, int i, int b, int j) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  if (i == dp.mw || j == dp.mw) return 0;
  const int la = dp.len[ix(a)], lb = dp.len[ix(b)];
  if (!word_fits(i, la, s.l, s.l2, s.smin, s.S) || !word_fits(j, lb, s.l, s.l2, s.smin, s.S)) return 0;
  if (!word_unmasked(dp.masked_of(a), dp.strand_len[ix(a)], i, s.l, s.l2, s.smin, s.S) ||
      !word_unmasked(dp.masked_of(b), dp.strand_len[ix(b)], j, s.l, s.l2, s.smin, s.S))
    return 0;
  const char* sa = dp.seq_of(a);
  const char* sb = dp.seq_of(b);
  const char* m1 = s.motif_given ? s.motif : nullptr;
  long long total;
  if (s.l2 == 0) {
    total = score_words(s, dp.derived, sa + i, sb + j, s.l, m1);
  } else {
    const WordPlace pa = decode_word(i, s.l, s.l2, s.smin, s.S);
    const WordPlace pb = decode_word(j, s.l, s.l2, s.smin, s.S);
    const char* m2 = s.motif2_given ? s.motif2 : nullptr;
    const long long unit = prox_unit(s);
    total = score_words(s, dp.derived, sa + pa.q, sb + pb.q, s.l, m1) +
            score_words(s, dp.derived, sa + pa.p2, sb + pb.p2, s.l2, m2) -
            unit * s.penalty[ix(pa.gap - s.smin)] - unit * s.penalty[ix(pb.gap - s.smin)];
  }
  return clamp_proximity(total);
}
