// report_writer.cpp: the best-results report of a data portion.
#include "report_writer.hpp"

#include "report_layout.hpp"
#include "word_index.hpp"
#include "../proximity/background.hpp"
#include "../scheduler/ranking.hpp"

namespace {

// The title of a reported record, with its place, serial and values.
void title(Out& f, const char* kind, int k, const PermRecord& r, int sent) noexcept {
  f.print(kBestTitle, kind, k, r.serial, sent, r.power, r.quality * 0.01, r.avg_proximity * 0.01);
}

// One line per sequence with a word (or its name alone when it has none).
void word_lines(Out& out, const Settings& s, const DataPortion& dp, const PermRecord& r) noexcept {
  const int W = dp.name_width;
  for (int i = 0; i < r.n; ++i) {
    const int w = r.words[ix(i)];
    if (w < 0) continue;
    if (w == dp.mw) {
      out.print(kLineNoWord, i + 1, W, W, dp.name_of(i));
      continue;
    }
    const char* text = dp.seq_of(i);
    const int sum = r.prox_sums[ix(i)];
    const double pct = r.percents[ix(i)] * 0.01;
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    if (s.both_strands) {
      const StrandPlace a = strand_place(pl.q, s.l, dp.strand_len[ix(i)]);
      if (s.l2 == 0) {
        out.print(kLineOneWordStrand, i + 1, W, W, dp.name_of(i), a.start, a.sign, s.l, text + pl.q,
                     sum, pct);
      } else {
        const StrandPlace b = strand_place(pl.p2, s.l2, dp.strand_len[ix(i)]);
        out.print(kLineWordPairStrand, i + 1, W, W, dp.name_of(i), a.start, a.sign, b.start, b.sign,
                     s.l, text + pl.q, pl.gap, s.l2, text + pl.p2, sum, pct);
      }
    } else if (s.l2 == 0)
      out.print(kLineOneWord, i + 1, W, W, dp.name_of(i), w + 1, s.l, text + w, sum, pct);
    else
      out.print(kLineWordPair, i + 1, W, W, dp.name_of(i), pl.q + 1, pl.p2 + 1, s.l, text + pl.q,
                   pl.gap, s.l2, text + pl.p2, sum, pct);
  }
}

void block(const ReportEnv& e, const char* kind, int k, const PermRecord& r) noexcept {
  const int sent = e.serial + 1;
  if (e.out) write_result_block(*e.out, *e.set, *e.dp, kind, k, sent, r, e.set->diag_level > 1);
  if (e.console) {
    Out console{e.console};
    title(console, kind, k, r, sent);
  }
}

bool reportable(const PermRecord& r, int k) noexcept {
  return k == 1 || r.quality != 0 || r.avg_proximity != 0;
}

}  // namespace

Status report_best(const ReportEnv& e, int k, bool* ret_printed) noexcept {
  if (ret_printed) *ret_printed = false;
  const RankedBest best = rank_records(*e.records);
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
  return e.out ? e.out->flush() : 0;
}

void write_result_block(Out& out, const Settings& s, const DataPortion& dp, const char* kind, int k,
                        int sent, const PermRecord& r, bool with_perm) noexcept {
  title(out, kind, k, r, sent);
  if (with_perm) {
    if (r.is_p())
      out.print(kPermP, r.p_index, r.serial);
    else
      out.print(kPermQ, r.p_index, r.q_index, r.serial);
    for (int j = 0; j < r.n; ++j) out.print(kPermEntry, r.perm[ix(j)] + 1);
    out.put("\n");
  }
  word_lines(out, s, dp, r);
  out.put("\n");
}

void write_parameters(Out& out, const Settings& s, const DataPortion& dp, int pairs,
                      int mincover) noexcept {
  out.print(kParams, dp.n, dp.logn, dp.nn, dp.m, s.l, s.l2, dp.mw, dp.derived.threshold, pairs,
               mincover, s.aftermax);
  if (s.motif_given) out.print(kParamsMotif, s.motif, s.leff);
  if (s.motif2_given) out.print(kParamsMotif2, s.motif2, s.leff2);
  if (s.motif_given || s.motif2_given) out.print(kParamsBonus, s.a_bonus, s.a_penalty);
  if (s.both_strands) out.put(kParamsStrands);
  if (s.mask_lower) out.put(kParamsMasked);
  if (s.l2 != 0) {
    out.print(kParamsSpacing, s.smin, s.smax);
    for (int k = 0; k < s.S; ++k) out.print(k == 0 ? "%d" : ",%d", s.penalty[ix(k)]);
  }
  if (s.l2 != 0 && s.background == 1) out.put("  ");
  write_background(out, s, dp.derived);
  out.put("\n\n");
}
