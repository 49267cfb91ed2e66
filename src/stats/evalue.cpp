// evalue.cpp: the number of alignments, and the statistics of one signal.
#include "evalue.hpp"

#include <cmath>

#include "alloc_guard.hpp"
#include "log_value.hpp"

long long site_places(int length, const SiteSpan& span) noexcept {
  if (span.l2 == 0) return length >= span.l ? length - span.l + 1 : 0;
  long long places = 0;
  for (int s = span.smin; s <= span.smax; ++s) {
    const long long fit = static_cast<long long>(length) - (span.l + s + span.l2) + 1;
    if (fit > 0) places += fit;
  }
  return places;
}

Status log_alignments(const std::vector<int>& lengths, const std::vector<int>& site_seqs, const SiteSpan& span,
                      double& ret) noexcept {
  return guard_alloc([&]() -> Status {
    int holders = 0;
    for (int len : lengths) holders += site_places(len, span) > 0 ? 1 : 0;
    std::vector<bool> taken(lengths.size(), false);
    double sum = 0;
    for (int i : site_seqs) {
      if (i < 0 || static_cast<std::size_t>(i) >= lengths.size() || taken[static_cast<std::size_t>(i)]) return ERDATA;
      taken[static_cast<std::size_t>(i)] = true;
      const long long places = site_places(lengths[static_cast<std::size_t>(i)], span);
      if (places <= 0) return ERDATA;
      sum += std::log(static_cast<double>(places));
    }
    ret = log_choose(holders, static_cast<int>(site_seqs.size())) + sum;
    return 0;
  });
}

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
      if (Status st = log_alignments(d.lengths, d.site_seqs, d.span, s.log_alignments); st != 0) return st;
      s.has_evalue = true;
      s.log_evalue = s.llr.log_p + s.log_alignments;
    }
    ret = std::move(s);
    return 0;
  });
}
