// report.cpp: the best-results report of a data portion.
#include "report.hpp"

#include "report_layout.hpp"
#include "word_index.hpp"
#include "../scheduler/results.hpp"

namespace {

// The title of a reported record, with its place, serial and values.
void title(std::FILE* f, const char* kind, int k, const PermRecord& r, int sent) noexcept {
  std::fprintf(f, kBestTitle, kind, k, r.serial, sent, r.power, r.quality * 0.01, r.avg_proximity * 0.01);
}

// One line per sequence with a word (or its name alone when it has none).
void word_lines(const ReportEnv& e, const PermRecord& r) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  const int W = dp.name_width;
  for (int i = 0; i < r.n; ++i) {
    const int w = r.words[static_cast<std::size_t>(i)];
    if (w < 0) continue;
    if (w == dp.mw) {
      std::fprintf(e.out, kLineNoWord, i + 1, W, W, dp.name_of(i));
      continue;
    }
    const char* text = dp.seq_of(i);
    const int sum = r.prox_sums[static_cast<std::size_t>(i)];
    const double pct = r.percents[static_cast<std::size_t>(i)] * 0.01;
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    if (s.l2 == 0)
      std::fprintf(e.out, kLineOneWord, i + 1, W, W, dp.name_of(i), w + 1,
                   s.l, text + w, sum, pct);
    else
      std::fprintf(e.out, kLineWordPair, i + 1, W, W,
                   dp.name_of(i), pl.q + 1, pl.p2 + 1, s.l, text + pl.q, pl.gap, s.l2, text + pl.p2,
                   sum, pct);
  }
}

void block(const ReportEnv& e, const char* kind, int k, const PermRecord& r) noexcept {
  const int sent = e.serial + 1;
  title(e.out, kind, k, r, sent);
  if (e.set->diag_level > 1) {
    if (r.is_p())
      std::fprintf(e.out, kPermP, r.p_index, r.serial);
    else
      std::fprintf(e.out, kPermQ, r.p_index, r.q_index, r.serial);
    for (int j = 0; j < r.n; ++j) std::fprintf(e.out, kPermEntry, r.perm[static_cast<std::size_t>(j)] + 1);
    std::fputs("\n", e.out);
  }
  word_lines(e, r);
  std::fputs("\n", e.out);
  if (e.console) title(e.console, kind, k, r, sent);
}

bool reportable(const PermRecord& r, int k) noexcept {
  return k == 1 || r.quality != 0 || r.avg_proximity != 0;
}

void take_out(PermRecord& r) noexcept { r.quality = r.avg_proximity = 0; }

}  // namespace

Status report_best(const ReportEnv& e, int k, bool* ret_printed) noexcept {
  if (ret_printed) *ret_printed = false;
  const Ranking best = rank_records(*e.records);
  if (!best.by_quality) return ERINT;
  bool printed = false;
  if (reportable(*best.by_quality, k)) {
    block(e, kKindQuality, k, *best.by_quality);
    take_out(*best.by_quality);
    printed = true;
  }
  if (best.by_avg != best.by_quality && reportable(*best.by_avg, k)) {
    block(e, kKindAvgProximity, k, *best.by_avg);
    take_out(*best.by_avg);
    printed = true;
  }
  if (ret_printed) *ret_printed = printed;
  return e.out && std::fflush(e.out) != 0 ? ERIO : 0;
}
