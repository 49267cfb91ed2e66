// merge.cpp: the merge step, which joins neighbouring groups level by level.
//
// At level z there are K = 2^(z-1) groups of c = nn/K slots. Group g joins
// the previous step's groups 2g (first half, heads a and a2) and 2g+1 (second
// half, heads b and b2). For every key (wa, wb) the step chooses the words of
// the second heads a2 and b2 and takes every other member's word from the
// previous rows that those choices key.
#include "reference.hpp"
#include "search/tree/best.hpp"

namespace {

// One group of a merge step, built with its fields named.
struct Merge {
  const SearchEnv& e;
  GTree& t;
  const std::int16_t* lv;  // level z
  int mw, M, nn;           // the portion's no-word index, keys per head, leaf places
  int K, c, h, g;          // groups of the level, slots per group and per half, this group
  int T;                   // the threshold
  int a, a2, b, b2;        // sequences of the four heads

  [[nodiscard]] std::size_t key(int x, int y) const noexcept { return ix(x) * ix(M) + ix(y); }
  // Costs of the previous step: group 2g keyed (wa, v), group 2g+1 keyed (wb, u).
  [[nodiscard]] int C0(int wa, int v) const noexcept {
    return t.cost_prev[key(wa, v) * ix(2 * K) + ix(2 * g)];
  }
  [[nodiscard]] int C1(int wb, int u) const noexcept {
    return t.cost_prev[key(wb, u) * ix(2 * K) + ix(2 * g + 1)];
  }
  // The previous row of key (x, y).
  [[nodiscard]] const std::int16_t* prev_row(int x, int y) const noexcept {
    return t.system_prev.data() + key(x, y) * ix(nn);
  }

  // Member average of a half: the proximities of the word w of the other
  // half's first head `head` to the members of this half (slots from .. to-1
  // of level z, words from `row`), plus c_ab when `with_cab`, over the count
  // of terms; -1 when there is no term.
  [[nodiscard]] int member_average(int head, int w, const std::int16_t* row, int from, int to, bool with_cab,
                                   int cab) const noexcept {
    int sum = with_cab ? cab : 0, terms = with_cab ? 1 : 0;
    for (int s = from; s < to; ++s) {
      const int x = lv[s];
      const int wx = row[s];
      if (x < 0 || wx == mw) continue;
      sum += e.p(head, w, x, wx);
      ++terms;
    }
    return terms == 0 ? -1 : sum / terms;
  }

  void one_key(int wa, int wb) noexcept;
  void mirrored_key(const StrandMirror& m, int wa, int wb) noexcept;
  void write_key(int wa, int wb, int cost, int va, int ub, bool zero) noexcept;
};

void Merge::one_key(int wa, int wb) noexcept {
  const int base = g * c;
  const int cab = e.p(a, wa, b, wb);
  const bool ha = wa != mw, hb = wb != mw;

  // List A: words v of a2.
  int na = 0;
  for (int v = 0; v <= mw; ++v) {
    const int c0 = C0(wa, v);
    bool ok;
    if (!hb) {
      ok = c0 != 0;
    } else if (c0 != 0) {
      const int avg = member_average(b, wb, prev_row(wa, v), base + 1, base + h, ha, cab);
      ok = avg >= 0 && avg >= T;
    } else if (!ha) {
      ok = e.p(b, wb, a2, v) >= T;
    } else {
      ok = cab >= T && (v == mw || e.p(b, wb, a2, v) >= T);
    }
    if (ok) t.cand_a[ix(na++)] = static_cast<std::int16_t>(v);
  }
  // List B: words u of b2.
  int nb = 0;
  for (int u = 0; u <= mw; ++u) {
    const int c1 = C1(wb, u);
    bool ok;
    if (!ha) {
      ok = c1 != 0;
    } else if (c1 != 0) {
      const int avg = member_average(a, wa, prev_row(wb, u), base + h + 1, base + c, hb, cab);
      ok = avg >= 0 && avg >= T;
    } else if (!hb) {
      ok = e.p(a, wa, b2, u) >= T;
    } else {
      ok = cab >= T && (u == mw || e.p(a, wa, b2, u) >= T);
    }
    if (ok) t.cand_b[ix(nb++)] = static_cast<std::int16_t>(u);
  }

  // Combination.
  int cost = 0, va = mw, ub = mw;
  bool zero = false;
  Best best;
  if (na > 0 && nb > 0) {
    for (int i = 0; i < na; ++i) {
      const int v = t.cand_a[ix(i)];
      const int left = C0(wa, v) + e.p(b, wb, a2, v) + cab;
      for (int k = 0; k < nb; ++k) {
        const int u = t.cand_b[ix(k)];
        best.offer(left + e.p(a, wa, b2, u) + e.p(a2, v, b2, u) + C1(wb, u), v, u, e.coin);
      }
    }
    zero = best.value <= 0;
    if (!zero) {
      cost = best.value;
      va = best.first;
      ub = best.second;
    }
  } else if (na > 0) {
    for (int i = 0; i < na; ++i) {
      const int v = t.cand_a[ix(i)];
      best.offer(C0(wa, v) + e.p(b, wb, a2, v), v, -1, e.coin);
    }
    zero = best.value <= 0;
    if (!zero) {
      cost = best.value + cab;
      va = best.first;
    }
  } else if (nb > 0) {
    for (int k = 0; k < nb; ++k) {
      const int u = t.cand_b[ix(k)];
      best.offer(C1(wb, u) + e.p(a, wa, b2, u), u, -1, e.coin);
    }
    zero = best.value <= 0;
    if (!zero) {
      cost = best.value + cab;
      ub = best.first;
    }
  } else {
    zero = cab < T;
    if (!zero) cost = cab;
  }

  write_key(wa, wb, cost, va, ub, zero);
}

// Key (wa, wb) takes the choice of its mirror key (worked out before it):
// the same cost, the mirrored words of the second heads. The mirror key's row
// shows whether it was the zero case: then its heads are not its key's words.
void Merge::mirrored_key(const StrandMirror& m, int wa, int wb) noexcept {
  const int ma = m.of(a, wa), mb = m.of(b, wb);
  const std::int16_t* from = t.system.data() + key(ma, mb) * ix(nn) + ix(g * c);
  const bool zero = from[0] != ma || from[1] != mb;
  const int cost = t.cost[key(ma, mb) * ix(K) + ix(g)];
  write_key(wa, wb, cost, m.of(a2, from[2]), m.of(b2, from[3]), zero);
}

// Writes the cost of key (wa, wb) and its row, in the slot order of level z-1.
void Merge::write_key(int wa, int wb, int cost, int va, int ub, bool zero) noexcept {
  const int base = g * c;
  std::int16_t* row = t.system.data() + key(wa, wb) * ix(nn) + ix(base);
  const std::int16_t* first = zero ? prev_row(mw, mw) : prev_row(wa, va);
  const std::int16_t* second = zero ? prev_row(mw, mw) : prev_row(wb, ub);
  const auto word = [](int w) { return static_cast<std::int16_t>(w); };
  row[0] = word(zero ? mw : wa);
  row[1] = word(zero ? mw : wb);
  row[2] = word(zero ? mw : va);
  row[3] = word(zero ? mw : ub);
  for (int i = 2; i < h; ++i) {
    row[2 * i] = first[base + i];
    row[2 * i + 1] = second[base + h + i];
  }
  t.cost[key(wa, wb) * ix(K) + ix(g)] = zero ? 0 : cost;
}

}  // namespace

Status merge_groups(GTree& t, int z, const SearchEnv& e) noexcept {
  const DataPortion& dp = *e.dp;
  const int M = dp.M(), nn = dp.nn, K = 1 << (z - 1);

  // The previous step's tables become the inputs of this one.
  std::swap(t.system, t.system_prev);
  for (std::size_t i = 0; i < t.system.n; ++i) t.system[i] = -1;
  t.cost_prev = std::move(t.cost);
  const std::size_t entries = ix(M) * ix(M) * ix(K);
  if (table_fill(t.cost, entries, std::int32_t{-1}) != 0) return ERMEM;

  const std::int16_t* lv = t.level[ix(z)].data();
  const int c = nn / K, h = c / 2;
  for (int g = 0; g < K; ++g) {
    const int base = g * c;
    if (lv[base + 1] < 0 || lv[base + h + 1] < 0) return ERINT;
    Merge m{.e = e,
            .t = t,
            .lv = lv,
            .mw = dp.mw,
            .M = M,
            .nn = nn,
            .K = K,
            .c = c,
            .h = h,
            .g = g,
            .T = e.dp->derived.threshold,
            .a = lv[base],
            .a2 = lv[base + 1],
            .b = lv[base + h],
            .b2 = lv[base + h + 1]};
    for (int wa = 0; wa <= dp.mw; ++wa)
      for (int wb = 0; wb <= dp.mw; ++wb) {
        if (e.mirror != nullptr && e.mirror->derived(m.a, wa, m.b, wb))
          m.mirrored_key(*e.mirror, wa, wb);
        else
          m.one_key(wa, wb);
      }
  }
  return 0;
}
