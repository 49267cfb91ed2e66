// background.cpp: letter weights of a data portion under -BG1.
#include "background.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "alphabet.hpp"

namespace {

// -log2 of p in quarter bits, rounded, at least 1 (a portion of one letter
// then counts it as -BG0 would).
int weight_of(double p) noexcept {
  const long w = std::lround(-std::log2(p) * kBitUnits);
  return w < 1 ? 1 : static_cast<int>(w);
}

}  // namespace

PortionSettings derive_portion(const Settings& s, const DataPortion& dp) noexcept {
  PortionSettings ret;
  ret.threshold = s.threshold;
  if (s.background != 1) return ret;
  const char* letters = alphabet_letters(s.acid);
  long long count[26] = {};
  long long total = 0;
  for (int i = 0; i < dp.stored(); ++i) {
    const char* q = dp.seq_of(i);
    for (int k = 0; k < dp.len[ix(i)]; ++k) {
      const unsigned c = static_cast<unsigned>(static_cast<unsigned char>(q[k])) - 'a';
      if (c < 26 && std::strchr(letters, q[k]) != nullptr) ++count[c], ++total;
    }
  }
  long long information = 0;  // sum over letters of count(x) w(x)
  for (const char* a = letters; *a; ++a) {
    const int k = *a - 'a';
    const double p = total == 0     ? 1.0
                     : count[k] > 0 ? static_cast<double>(count[k]) / static_cast<double>(total)
                                    : 0.5 / static_cast<double>(total);
    ret.bg_weight[k] = weight_of(p);
    information += count[k] * ret.bg_weight[k];
  }
  if (s.plain_threshold >= 0) {
    // plain_threshold is at most 2^30 and the mean weight at most about 90.
    const long long t = total == 0 ? static_cast<long long>(s.plain_threshold) * kBitUnits
                                   : (s.plain_threshold * information + total / 2) / total;
    ret.threshold = t > INT32_MAX ? INT32_MAX : static_cast<int>(t);
  }
  return ret;
}

void write_background(Out& out, const Settings& s, const PortionSettings& p) noexcept {
  if (s.background != 1) return;
  out.put("background=1 (quarter bits)  weights=");
  for (const char* a = alphabet_letters(s.acid); *a; ++a)
    out.print("%s%c:%d", a == alphabet_letters(s.acid) ? "" : ",", *a, p.bg_weight[*a - 'a']);
  out.put("  ");
}
