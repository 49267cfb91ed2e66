// history_writer.cpp: the history file, one tab-separated row per result.
#include "history_writer.hpp"

#include "history_layout.hpp"
#include "word_index.hpp"

namespace {

void header(const ReportEnv& e) noexcept {
  const DataPortion& dp = *e.dp;
  const int W = dp.name_width;
  Out& f = *e.history;
  f.put(kHistoryHead);
  for (int i = 1; i <= dp.n; ++i) f.print(kHistoryHeadSeq, i, W, W, dp.name_of(i - 1), i, i);
  for (int i = 1; i <= dp.n; ++i) f.print(kHistoryHeadPerm, i);
  f.put("\n");
}

void row(const ReportEnv& e, const PermRecord& r) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  Out& f = *e.history;
  f.print(kHistoryRow, r.serial, r.p_index, r.q_index, r.power, r.new_words, r.quality * 0.01,
               r.avg_proximity * 0.01);
  for (int i = 0; i < r.n; ++i) {
    const int w = r.words[ix(i)];
    const int sum = r.prox_sums[ix(i)];
    const double pct = r.percents[ix(i)] * 0.01;
    // A sequence without a word (or without a value) shows an empty text:
    // its index points past (or before) its letters.
    const bool word = w >= 0 && w != dp.mw;
    const char* text = dp.seq_of(i);
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    if (s.both_strands && word) {
      const int len = dp.strand_len[ix(i)];
      const StrandPlace a = strand_place(pl.q, s.l, len);
      if (s.l2 == 0) {
        f.print(kHistoryOneWordStrand, a.start, a.sign, s.l, text + w, sum, pct);
      } else {
        const StrandPlace b = strand_place(pl.p2, s.l2, len);
        f.print(kHistoryWordPairStrand, a.start, a.sign, b.start, b.sign, s.l, text + pl.q, pl.gap,
                     s.l2, text + pl.p2, sum, pct);
      }
    } else if (s.l2 == 0)
      f.print(kHistoryOneWord, w + 1, word ? s.l : 0, word ? text + w : "", sum, pct);
    else if (word)
      f.print(kHistoryWordPair, pl.q + 1, pl.p2 + 1, s.l, text + pl.q, pl.gap, s.l2, text + pl.p2,
                   sum, pct);
    else
      f.print(kHistoryNoPair, pl.q + 1, pl.p2 + 1, sum, pct);
  }
  for (int k = 0; k < r.n; ++k) f.print(kHistoryPerm, r.perm[ix(k)] + 1);
  f.put("\n");
}

}  // namespace

Status write_history(const ReportEnv& e) noexcept {
  if (e.history == nullptr || !e.history->open()) return 0;
  header(e);
  for (const PermRecord* p = e.records->first.get(); p && p->is_p(); p = p->chain_next) {
    if (p->has_result()) row(e, *p);
    for (const PermRecord* q = p->q_link; q; q = q->chain_next)
      if (q->has_result()) row(e, *q);
  }
  return e.history->flush();
}
