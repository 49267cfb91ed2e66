// evalue.cpp: the number of alignments, and the statistics of one signal.
#include "evalue.hpp"

#include <cmath>

#include "alloc_guard.hpp"
#include "log_value.hpp"

long long site_places(int length, const SiteSpan& span) noexcept {
  if (span.l2 == 0) return length >= span.l ? (length - span.l + 1LL) * span.strands : 0;
  long long places = 0;
  for (int s = span.smin; s <= span.smax; ++s) {
    const long long fit = static_cast<long long>(length) - (span.l + s + span.l2) + 1;
    if (fit > 0) places += fit;
  }
  return places * span.strands;
}

Status log_alignments(const std::vector<int>& lengths, int nsites, const SiteSpan& span,
                      double& ret) noexcept {
  return guard_alloc([&]() -> Status {
    // e[j]: ln of the sum over every choice of j of the sequences so far of
    // the product of their places (the elementary symmetric polynomial).
    std::vector<double> e(static_cast<std::size_t>(nsites + 1), kLogZero);
    e[0] = 0;
    for (int len : lengths) {
      const long long places = site_places(len, span);
      if (places <= 0) continue;
      const double lp = std::log(static_cast<double>(places));
      for (std::size_t j = e.size() - 1; j > 0; --j) e[j] = log_add(e[j], e[j - 1] + lp);
    }
    ret = e.back();
    return 0;
  });
}

namespace {

// Every site in a sequence of its own that holds a place for it.
bool sites_fit(const SignalData& d) {
  std::vector<bool> taken(d.lengths.size(), false);
  for (int i : d.site_seqs) {
    if (i < 0 || static_cast<std::size_t>(i) >= d.lengths.size() || taken[static_cast<std::size_t>(i)])
      return false;
    taken[static_cast<std::size_t>(i)] = true;
    if (site_places(d.lengths[static_cast<std::size_t>(i)], d.span) <= 0) return false;
  }
  return true;
}

}  // namespace

Status signal_stats(const SignalData& d, const Background& bg, SignalStats& ret) noexcept {
  if (d.words.empty() || d.words.size() != d.site_seqs.size()) return ERDATA;
  return guard_alloc([&]() -> Status {
    SignalStats s;
    CountMatrix m;
    Pwm pwm;
    ScoreTail tail;
    if (Status st = count_words(d.words, bg.letters, m); st != 0) return st;
    if (Status st = build_pwm(m, bg, s.pseudocount, pwm); st != 0) return st;
    if (Status st = llr_pvalue(m, bg, s.pseudocount, s.llr); st != 0) return st;
    if (Status st = score_tail(pwm, bg, s.score_grid, tail); st != 0) return st;
    s.nsites = m.nsites;
    s.width = m.width;
    for (const std::string& w : d.words) {
      long long steps = 0;
      if (Status st = word_steps(pwm, bg, s.score_grid, w, steps); st != 0) return st;
      s.site_log_p.push_back(tail_at(tail, steps));
    }
    if (!d.lengths.empty()) {
      if (!sites_fit(d)) return ERDATA;
      if (Status st = log_alignments(d.lengths, s.nsites, d.span, s.log_alignments); st != 0) return st;
      s.has_evalue = true;
      s.log_evalue = s.llr.log_p + s.log_alignments;
    }
    ret = std::move(s);
    return 0;
  });
}
