// measure.cpp: the measure of a signal, whichever search found it.
//
// Given one word per sequence (or the no-word index), computes the proximity
// sums, the power, the quality and the avg proximity (both x100), with the
// conservation bonuses added to the quality. Sums are taken in 64 bits and
// the two hundredths values are held to the int32 range, so that no accepted
// bonus can overflow them.
#include <climits>
#include <cstring>

#include "alphabet.hpp"
#include "search/tree/gtree.hpp"
#include "messages.hpp"
#include "proximity/background.hpp"
#include "word_index.hpp"

namespace {

// Conservation bonuses of the words held in msg: for every counted letter
// position, BA when every sequence has a word and all share the letter, else
// BC when at most BX sequences (those without a word included) lack it.
long long conservation_bonus(const SearchEnv& e, const std::int32_t* msg) noexcept {
  const Settings& s = *e.set;
  const DataPortion& dp = *e.dp;
  if (s.ba == 0 && s.bc == 0) return 0;
  const char* alphabet = alphabet_letters(s.acid);
  const int letters = static_cast<int>(std::strlen(alphabet));
  long long bonus = 0;
  const long long unit = prox_unit(s);  // the bonuses in proximity units

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
        bonus += 100LL * unit * s.ba;
      else if (static_cast<long long>(top) >= static_cast<long long>(dp.n) - s.bx)
        bonus += 100LL * unit * s.bc;
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

std::int32_t to_int32(long long v) noexcept {
  return static_cast<std::int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}

}  // namespace

void measure_signal(const SearchEnv& e, std::int32_t* msg) noexcept {
  const DataPortion& dp = *e.dp;
  const ResultLayout lay{dp.n};
  const int mw = dp.mw;
  int power = dp.n;
  long long total = 0;
  for (int a = 0; a < dp.n; ++a) {
    const int wa = msg[lay.words() + a];
    long long sum = 0;
    if (wa == mw) {
      --power;
    } else {
      for (int b = 0; b < dp.n; ++b) {
        const int wb = msg[lay.words() + b];
        if (b != a && wb != mw) sum += e.p(a, wa, b, wb);
      }
    }
    msg[lay.prox_sums() + a] = to_int32(sum);
    total += sum;
  }
  long long quality = 0, avg = 0;
  if (power >= 2) {
    avg = total * 100 / ((power - 1) * static_cast<long long>(power));
    quality = total * 100 / (power - 1);
  }
  msg[lay.quality()] = to_int32(quality + conservation_bonus(e, msg));
  msg[lay.power()] = power;
  msg[lay.avg_proximity()] = to_int32(avg);
}
