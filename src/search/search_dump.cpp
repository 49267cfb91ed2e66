// search_dump.cpp: what the search writes into the task's output file.
#include <cstdio>

#include "search/tree/gtree.hpp"
#include "messages.hpp"
#include "word_index.hpp"

void dump_gtree(const GTree& g, const DataPortion& dp, Out& out) noexcept {
  out.print("G-tree built (%d levels, %d nodes):\n", dp.logn, dp.n);
  for (int z = 0; z < dp.logn; ++z) {
    out.print("Dz=%1d: ", z);
    const Table<std::int16_t>& lv = g.level[ix(z)];
    for (int i = 0; i < dp.nn; ++i) {
      const int s = lv[ix(i)];
      if (s < 0)
        out.put("  *");
      else
        out.print("%3d", s);
    }
    out.put("\n");
  }
}

void dump_system(const GTree& g, int z, const DataPortion& dp, Out& out) noexcept {
  const int mw = dp.mw, M = dp.M(), nn = dp.nn, K = 1 << (z - 1);
  const Table<std::int16_t>& lv = g.level[ix(z - 1)];
  out.put("\n  i   j   (System for next level)    (Costs for the next level)\n");
  for (int i = 0; i <= mw; ++i) {
    bool any = false;
    for (int j = 0; j <= mw; ++j) {
      const std::int32_t* cost = g.cost.data() + ix(i * M + j) * ix(K);
      bool nonzero = false;
      for (int k = 0; k < K; ++k) nonzero = nonzero || cost[k] != 0;
      if (!nonzero) continue;
      any = true;
      if (i == mw)
        out.put(" ZZ,");
      else
        out.print("%03d,", (i + 1) % 1000);
      if (j == mw)
        out.put(" ZZ:");
      else
        out.print("%03d:", (j + 1) % 1000);
      const std::int16_t* row = g.system.data() + ix(i * M + j) * ix(nn);
      for (int p = 0; p < nn; ++p) {
        if (lv[ix(p)] < 0)
          out.put("  *");
        else if (row[p] == mw)
          out.put("  ZZ");
        else
          out.print("%4d", row[p] + 1);
      }
      out.put("     (");
      for (int k = 0; k < K; ++k) out.print("%5d ", cost[k]);
      out.put(")\n");
    }
    if (any) out.put("\n");
  }
  out.print("Dz=%1d: ", z - 1);
  for (int p = 0; p < nn; ++p) {
    const int s = lv[ix(p)];
    if (s < 0)
      out.put("  *");
    else
      out.print(" %2d", s);
  }
  out.put("\n");
}

void level_line(const SearchEnv& e, int z) noexcept {
  if (e.set->diag_level >= 2 && e.out) e.out->print("Level %d\n", z);
}

Status step_done(const SearchEnv& e, const GTree* g, int z) noexcept {
  if (e.out == nullptr) return 0;
  if (g != nullptr && e.set->diag_level == 4) dump_system(*g, z, *e.dp, *e.out);
  return e.out->flush();
}

void report_signal(const SearchEnv& e, const std::int32_t* msg) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  const ResultLayout lay{dp.n};
  const int power = msg[lay.power()], W = dp.name_width;
  Out& out = *e.out;
  out.print("\nSignal found (power: %d, quality: %.2f, avg proximity: %.2f)\n", power,
            msg[lay.quality()] * 0.01, msg[lay.avg_proximity()] * 0.01);
  for (int i = 0; i < dp.n; ++i) {
    const int w = msg[lay.words() + i], sum = msg[lay.prox_sums() + i];
    if (w < 0) continue;
    if (w == dp.mw) {
      out.print("%3d:%-*.*s\n", i + 1, W, W, dp.name_of(i));
      continue;
    }
    const double avg = power > 1 ? static_cast<double>(sum) / (power - 1) : 0.0;
    const char* text = dp.seq_of(i);
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    if (s.l2 == 0)
      out.print("%3d:%-*.*s[%04d] %.*s (%d, %5.2f)\n", i + 1, W, W, dp.name_of(i), w + 1, s.l, text + w, sum,
                avg);
    else
      out.print("%3d:%-*.*s[%04d;%04d] %.*s-%02d-%.*s (%d, %5.2f)\n", i + 1, W, W, dp.name_of(i), pl.q + 1,
                pl.p2 + 1, s.l, text + pl.q, pl.gap, s.l2, text + pl.p2, sum, avg);
  }
  out.put("\n");
}
