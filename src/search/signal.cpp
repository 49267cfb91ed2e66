// signal.cpp: the signal search of one permutation.
//
// Climbs the G-tree from the quad step at the deepest level up to level 1,
// picks the best key at the top, gives every sequence its word (or none),
// and measures the signal: power, quality and avg proximity (both x100), with
// the conservation bonuses added to the quality.
#include <cstring>

#include "best.hpp"
#include "gtree.hpp"
#include "messages.hpp"
#include "word_index.hpp"

namespace {

// Conservation bonuses of the words held in msg: for every counted letter
// position, BA when every sequence has a word and all share the letter, else
// BC when at most BX sequences (those without a word included) lack it.
int conservation_bonus(const SearchEnv& e, const std::int32_t* msg) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  if (s.ba == 0 && s.bc == 0) return 0;
  const char* alphabet = s.acid ? "acdefghiklmnpqrstvwy" : "actg";
  const int letters = static_cast<int>(std::strlen(alphabet));
  int bonus = 0;

  // Judges the len positions of one word: the first (second = false) or the second.
  const auto judge = [&](int len, bool second) {
    for (int k = 0; k < len; ++k) {
      int count[20] = {};
      for (int i = 0; i < dp.n; ++i) {
        const int w = msg[i];
        if (w == dp.mw || w < 0) continue;
        const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
        const char x = dp.seq_of(i)[(second ? pl.p2 : pl.q) + k];
        const char* at = std::strchr(alphabet, x);
        if (x != '\0' && at != nullptr) ++count[at - alphabet];
      }
      int top = 0;
      for (int a = 0; a < letters; ++a) top = count[a] > top ? count[a] : top;
      if (top == dp.n)
        bonus += 100 * s.ba;
      else if (top >= dp.n - s.bx)
        bonus += 100 * s.bc;
    }
  };
  if (s.l2 == 0) {
    if (!s.motif_given) judge(s.l, false);
  } else if (!(s.motif_given && s.motif2_given)) {
    if (!s.motif_given) judge(s.l, false);
    if (!s.motif2_given) judge(s.l2, true);
  }
  return bonus;
}

}  // namespace

Status search_signal(GTree* t, const SearchEnv& e, std::int32_t* msg) noexcept {
  const DataPortion& dp = *e.dp;
  const Settings& s = *e.set;
  const ResultLayout lay{dp.n};
  for (int i = 0; i < dp.n; ++i) msg[lay.words() + i] = msg[lay.prox_sums() + i] = -1;

  for (int z = dp.logn - 1; z >= 1; --z) {
    if (s.diag_level >= 2 && e.out) std::fprintf(e.out, "Level %d\n", z);
    const Status st = z == dp.logn - 1 ? search_quads(t, e) : merge_groups(t, z, e);
    if (st != 0) return st;
    if (s.diag_level == 4 && e.out) dump_system(*t, z, dp, e.out);
    if (e.out && std::fflush(e.out) != 0) return ERIO;
  }

  // Top selection: the best key of the one group spanning all places.
  const int mw = dp.mw, M = dp.M();
  Best best;
  for (int wa = 0; wa <= mw; ++wa)
    for (int wb = 0; wb <= mw; ++wb) best.offer(t->cost[static_cast<std::size_t>(wa * M + wb)], wa, wb, e.coin);
  const std::int16_t* row =
      t->system.data() + static_cast<std::size_t>(best.first * M + best.second) * static_cast<std::size_t>(dp.nn);

  // Words. An index whose word does not lie within its sequence (possible
  // only with a threshold of 0 or less) is no word.
  for (int j = 0; j < dp.n; ++j) {
    const int seq = t->perm[static_cast<std::size_t>(j)];
    int w = row[j];
    if (w != mw && !word_fits(w, dp.len[static_cast<std::size_t>(seq)], s.l, s.l2, s.smin, s.S)) w = mw;
    msg[lay.words() + seq] = w;
  }

  // Proximity sums, power, quality and avg proximity.
  int power = dp.n;
  long long total = 0;
  for (int j = 0; j < dp.n; ++j) {
    const int a = t->perm[static_cast<std::size_t>(j)];
    const int wa = msg[lay.words() + a];
    int sum = 0;
    if (wa == mw) {
      --power;
    } else {
      for (int k = 0; k < dp.n; ++k) {
        const int b = t->perm[static_cast<std::size_t>(k)];
        const int wb = msg[lay.words() + b];
        if (b != a && wb != mw) sum += e.p(a, wa, b, wb);
      }
    }
    msg[lay.prox_sums() + a] = sum;
    total += sum;
  }
  int quality = 0, avg = 0;
  if (power >= 2) {
    avg = static_cast<int>(total * 100 / ((power - 1) * static_cast<long long>(power)));
    quality = static_cast<int>(total * 100 / (power - 1));
  }
  quality += conservation_bonus(e, msg);
  msg[lay.quality()] = quality;
  msg[lay.power()] = power;
  msg[lay.avg_proximity()] = avg;

  if (s.diag_level >= 2 && e.out) {
    report_signal(e, msg);
    if (std::fflush(e.out) != 0) return ERIO;
  }
  return 0;
}
