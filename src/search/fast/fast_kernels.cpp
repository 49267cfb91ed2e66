// fast_kernels.cpp: plain and AVX2 forms of the row loops.
#include "search/fast/fast_kernels.hpp"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KORVAX_AVX2 1
#endif

namespace {

// ---- Plain forms ----

void set_plain(std::int16_t* acc, const std::uint8_t* row, int n) noexcept {
  for (int x = 0; x < n; ++x) acc[x] = row[x];
}

void add_plain(std::int16_t* acc, const std::uint8_t* row, int n) noexcept {
  for (int x = 0; x < n; ++x) acc[x] = static_cast<std::int16_t>(acc[x] + row[x]);
}

// The scans below start at entry `from` (the vector forms leave them the rest).
void add_bytes_plain(std::uint8_t* acc, const std::uint8_t* row, int n) noexcept {
  for (int x = 0; x < n; ++x) {
    const int v = acc[x] + row[x];
    acc[x] = static_cast<std::uint8_t>(v > 255 ? 255 : v);
  }
}

int sum3_at_least_plain(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, int n, int need,
                        std::int16_t* out, int from = 0) noexcept {
  int k = 0;
  for (int x = from; x < n; ++x) {
    out[k] = static_cast<std::int16_t>(x);
    k += (a == nullptr ? 0 : a[x]) + b[x] + c[x] >= need;
  }
  return k;
}

int at_least_plain(const std::int16_t* acc, int n, int need, std::int16_t* out, int from = 0) noexcept {
  int k = 0;
  for (int x = from; x < n; ++x) {
    out[k] = static_cast<std::int16_t>(x);
    k += acc[x] >= need;
  }
  return k;
}

int sum_at_least_plain(const std::uint8_t* a, const std::uint8_t* b, int n, int need, std::int16_t* out,
                       int from = 0) noexcept {
  int k = 0;
  for (int x = from; x < n; ++x) {
    out[k] = static_cast<std::int16_t>(x);
    k += a[x] + b[x] >= need;
  }
  return k;
}

int bytes_at_least_plain(const std::uint8_t* row, int n, int need, std::int16_t* out, int from = 0) noexcept {
  int k = 0;
  for (int x = from; x < n; ++x) {
    out[k] = static_cast<std::int16_t>(x);
    k += row[x] >= need;
  }
  return k;
}

int bytes_at_least_kept_plain(const std::uint8_t* row, const std::uint8_t* keep, int n, int need,
                              std::int16_t* out, int from = 0) noexcept {
  int k = 0;
  for (int x = from; x < n; ++x) {
    out[k] = static_cast<std::int16_t>(x);
    k += (row[x] >= need) & (keep[x] != 0);
  }
  return k;
}

#ifdef KORVAX_AVX2

// ---- AVX2 forms: 16 entries at a time, the rest plainly ----

// Appends the positions base + i of the set bits of mask.
__attribute__((target("avx2,bmi"))) inline int emit(unsigned mask, int base, std::int16_t* out,
                                                    int k) noexcept {
  while (mask != 0) {
    out[k++] = static_cast<std::int16_t>(base + __builtin_ctz(mask));
    mask &= mask - 1;
  }
  return k;
}

// The 16 sign bits of a comparison of 16-bit lanes, one bit per lane.
__attribute__((target("avx2"))) inline unsigned lane_mask(__m256i m) noexcept {
  const __m128i packed = _mm_packs_epi16(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
  return static_cast<unsigned>(_mm_movemask_epi8(packed));
}

__attribute__((target("avx2"))) inline __m256i widen(const std::uint8_t* p) noexcept {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

__attribute__((target("avx2"))) void set_avx2(std::int16_t* acc, const std::uint8_t* row, int n) noexcept {
  int x = 0;
  for (; x + 16 <= n; x += 16) _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + x), widen(row + x));
  set_plain(acc + x, row + x, n - x);
}

__attribute__((target("avx2"))) void add_avx2(std::int16_t* acc, const std::uint8_t* row, int n) noexcept {
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    __m256i* p = reinterpret_cast<__m256i*>(acc + x);
    _mm256_storeu_si256(p, _mm256_add_epi16(_mm256_loadu_si256(p), widen(row + x)));
  }
  add_plain(acc + x, row + x, n - x);
}

__attribute__((target("avx2"))) void add_bytes_avx2(std::uint8_t* acc, const std::uint8_t* row,
                                                    int n) noexcept {
  int x = 0;
  for (; x + 32 <= n; x += 32) {
    __m256i* p = reinterpret_cast<__m256i*>(acc + x);
    const __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    _mm256_storeu_si256(p, _mm256_adds_epu8(_mm256_loadu_si256(p), r));
  }
  add_bytes_plain(acc + x, row + x, n - x);
}

__attribute__((target("avx2,bmi"))) int at_least_avx2(const std::int16_t* acc, int n, int need,
                                                      std::int16_t* out) noexcept {
  const __m256i limit = _mm256_set1_epi16(static_cast<short>(need - 1));  // >= need is > need - 1
  int k = 0, x = 0;
  if (need > -32768) {
    for (; x + 16 <= n; x += 16) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + x));
      k = emit(lane_mask(_mm256_cmpgt_epi16(v, limit)), x, out, k);
    }
  }
  return k + at_least_plain(acc, n, need, out + k, x);
}

__attribute__((target("avx2,bmi"))) int sum_at_least_avx2(const std::uint8_t* a, const std::uint8_t* b, int n,
                                                          int need, std::int16_t* out) noexcept {
  const __m256i limit = _mm256_set1_epi16(static_cast<short>(need - 1));
  int k = 0, x = 0;
  if (need > -32768) {
    for (; x + 16 <= n; x += 16) {
      const __m256i v = _mm256_add_epi16(widen(a + x), widen(b + x));
      k = emit(lane_mask(_mm256_cmpgt_epi16(v, limit)), x, out, k);
    }
  }
  return k + sum_at_least_plain(a, b, n, need, out + k, x);
}

__attribute__((target("avx2,bmi"))) int bytes_at_least_avx2(const std::uint8_t* row, int n, int need,
                                                            std::int16_t* out) noexcept {
  int k = 0, x = 0;
  if (need <= 0) {  // every entry
    for (; x < n; ++x) out[x] = static_cast<std::int16_t>(x);
    return n;
  }
  if (need > 255) return 0;
  const __m256i limit = _mm256_set1_epi8(static_cast<char>(need));
  for (; x + 32 <= n; x += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i ok = _mm256_cmpeq_epi8(_mm256_max_epu8(v, limit), v);  // v >= need, unsigned
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(ok));
    while (mask != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctz(mask));
      mask &= mask - 1;
    }
  }
  return k + bytes_at_least_plain(row, n, need, out + k, x);
}

// ---- AVX-512 forms of the two byte loops that dominate: 64 entries at a time ----

__attribute__((target("avx512bw,avx512f,bmi,bmi2"))) void add_bytes_avx512(std::uint8_t* acc,
                                                                           const std::uint8_t* row,
                                                                           int n) noexcept {
  int x = 0;
  for (; x + 64 <= n; x += 64) {
    const __m512i r = _mm512_loadu_si512(row + x);
    _mm512_storeu_si512(acc + x, _mm512_adds_epu8(_mm512_loadu_si512(acc + x), r));
  }
  if (x < n) {  // the rest under a mask
    const __mmask64 m = _bzhi_u64(~0ULL, static_cast<unsigned>(n - x));
    const __m512i r = _mm512_maskz_loadu_epi8(m, row + x);
    _mm512_mask_storeu_epi8(acc + x, m, _mm512_adds_epu8(_mm512_maskz_loadu_epi8(m, acc + x), r));
  }
}

__attribute__((target("avx512bw,avx512f,bmi,bmi2"))) int bytes_at_least_avx512(const std::uint8_t* row, int n,
                                                                               int need,
                                                                               std::int16_t* out) noexcept {
  if (need <= 0 || need > 255) return bytes_at_least_avx2(row, n, need, out);
  const __m512i limit = _mm512_set1_epi8(static_cast<char>(need));
  int k = 0;
  for (int x = 0; x < n; x += 64) {
    const __mmask64 m = n - x >= 64 ? ~0ULL : _bzhi_u64(~0ULL, static_cast<unsigned>(n - x));
    unsigned long long hit = _mm512_mask_cmpge_epu8_mask(m, _mm512_maskz_loadu_epi8(m, row + x), limit);
    while (hit != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctzll(hit));
      hit &= hit - 1;
    }
  }
  return k;
}

__attribute__((target("avx512bw,avx512f,bmi,bmi2"))) int sum_at_least_avx512(const std::uint8_t* a,
                                                                             const std::uint8_t* b, int n,
                                                                             int need,
                                                                             std::int16_t* out) noexcept {
  int k = 0, x = 0;
  if (need > -32768) {
    const __m512i limit = _mm512_set1_epi16(static_cast<short>(need));
    for (; x + 32 <= n; x += 32) {  // 32 sums of 16 bits at a time
      const __m512i va = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x)));
      const __m512i vb = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x)));
      unsigned hit = _mm512_cmpge_epi16_mask(_mm512_add_epi16(va, vb), limit);
      while (hit != 0) {
        out[k++] = static_cast<std::int16_t>(x + __builtin_ctz(hit));
        hit &= hit - 1;
      }
    }
  }
  return k + sum_at_least_plain(a, b, n, need, out + k, x);
}

__attribute__((target("avx2,bmi"))) int bytes_at_least_kept_avx2(const std::uint8_t* row,
                                                                 const std::uint8_t* keep, int n, int need,
                                                                 std::int16_t* out) noexcept {
  if (need <= 0 || need > 255) return bytes_at_least_kept_plain(row, keep, n, need, out);
  const __m256i limit = _mm256_set1_epi8(static_cast<char>(need));
  const __m256i none = _mm256_setzero_si256();
  int k = 0, x = 0;
  for (; x + 32 <= n; x += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i kept = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keep + x));
    const __m256i ok =
        _mm256_andnot_si256(_mm256_cmpeq_epi8(kept, none), _mm256_cmpeq_epi8(_mm256_max_epu8(v, limit), v));
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(ok));
    while (mask != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctz(mask));
      mask &= mask - 1;
    }
  }
  return k + bytes_at_least_kept_plain(row, keep, n, need, out + k, x);
}

__attribute__((target("avx512bw,avx512f,bmi,bmi2"))) int bytes_at_least_kept_avx512(
    const std::uint8_t* row, const std::uint8_t* keep, int n, int need, std::int16_t* out) noexcept {
  if (need <= 0 || need > 255) return bytes_at_least_kept_plain(row, keep, n, need, out);
  const __m512i limit = _mm512_set1_epi8(static_cast<char>(need));
  int k = 0;
  for (int x = 0; x < n; x += 64) {
    const __mmask64 m = n - x >= 64 ? ~0ULL : _bzhi_u64(~0ULL, static_cast<unsigned>(n - x));
    const __mmask64 kept =
        _mm512_test_epi8_mask(_mm512_maskz_loadu_epi8(m, keep + x), _mm512_maskz_loadu_epi8(m, keep + x));
    unsigned long long hit = _mm512_mask_cmpge_epu8_mask(kept, _mm512_maskz_loadu_epi8(m, row + x), limit);
    while (hit != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctzll(hit));
      hit &= hit - 1;
    }
  }
  return k;
}

__attribute__((target("avx2,bmi"))) int sum3_at_least_avx2(const std::uint8_t* a, const std::uint8_t* b,
                                                           const std::uint8_t* c, int n, int need,
                                                           std::int16_t* out) noexcept {
  if (need <= 0) return sum3_at_least_plain(a, b, c, n, need, out);
  const __m256i limit = _mm256_set1_epi8(static_cast<char>(need));
  int k = 0, x = 0;
  for (; x + 32 <= n; x += 32) {
    __m256i v = _mm256_adds_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x)),
                                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + x)));
    if (a != nullptr) v = _mm256_adds_epu8(v, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x)));
    unsigned mask =
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(v, limit), v)));
    while (mask != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctz(mask));
      mask &= mask - 1;
    }
  }
  return k + sum3_at_least_plain(a, b, c, n, need, out + k, x);
}

__attribute__((target("avx512bw,avx512f,bmi,bmi2"))) int sum3_at_least_avx512(const std::uint8_t* a,
                                                                              const std::uint8_t* b,
                                                                              const std::uint8_t* c, int n,
                                                                              int need,
                                                                              std::int16_t* out) noexcept {
  if (need <= 0) return sum3_at_least_plain(a, b, c, n, need, out);
  const __m512i limit = _mm512_set1_epi8(static_cast<char>(need));
  int k = 0;
  for (int x = 0; x < n; x += 64) {
    const __mmask64 m = n - x >= 64 ? ~0ULL : _bzhi_u64(~0ULL, static_cast<unsigned>(n - x));
    __m512i v = _mm512_adds_epu8(_mm512_maskz_loadu_epi8(m, b + x), _mm512_maskz_loadu_epi8(m, c + x));
    if (a != nullptr) v = _mm512_adds_epu8(v, _mm512_maskz_loadu_epi8(m, a + x));
    unsigned long long hit = _mm512_mask_cmpge_epu8_mask(m, v, limit);
    while (hit != 0) {
      out[k++] = static_cast<std::int16_t>(x + __builtin_ctzll(hit));
      hit &= hit - 1;
    }
  }
  return k;
}

bool have_avx2() noexcept {
  static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi");
  return yes;
}

bool have_avx512() noexcept {
  static const bool yes = have_avx2() && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("bmi2");
  return yes;
}

#endif

}  // namespace

#ifdef KORVAX_AVX2
#define KORVAX_PICK(name, ...) (have_avx2() ? name##_avx2(__VA_ARGS__) : name##_plain(__VA_ARGS__))
#else
#define KORVAX_PICK(name, ...) name##_plain(__VA_ARGS__)
#endif

void kernel_set(std::int16_t* acc, const std::uint8_t* row, int n) noexcept { KORVAX_PICK(set, acc, row, n); }
void kernel_add(std::int16_t* acc, const std::uint8_t* row, int n) noexcept { KORVAX_PICK(add, acc, row, n); }
void kernel_add_bytes(std::uint8_t* acc, const std::uint8_t* row, int n) noexcept {
#ifdef KORVAX_AVX2
  if (have_avx512()) return add_bytes_avx512(acc, row, n);
#endif
  KORVAX_PICK(add_bytes, acc, row, n);
}
int kernel_sum3_at_least(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, int n, int need,
                         std::int16_t* out) noexcept {
#ifdef KORVAX_AVX2
  if (have_avx512()) return sum3_at_least_avx512(a, b, c, n, need, out);
#endif
  return KORVAX_PICK(sum3_at_least, a, b, c, n, need, out);
}
int kernel_at_least(const std::int16_t* acc, int n, int need, std::int16_t* out) noexcept {
  return KORVAX_PICK(at_least, acc, n, need, out);
}
int kernel_sum_at_least(const std::uint8_t* a, const std::uint8_t* b, int n, int need,
                        std::int16_t* out) noexcept {
#ifdef KORVAX_AVX2
  if (have_avx512()) return sum_at_least_avx512(a, b, n, need, out);
#endif
  return KORVAX_PICK(sum_at_least, a, b, n, need, out);
}
int kernel_bytes_at_least(const std::uint8_t* row, int n, int need, std::int16_t* out) noexcept {
#ifdef KORVAX_AVX2
  if (have_avx512()) return bytes_at_least_avx512(row, n, need, out);
#endif
  return KORVAX_PICK(bytes_at_least, row, n, need, out);
}
int kernel_bytes_at_least_kept(const std::uint8_t* row, const std::uint8_t* keep, int n, int need,
                               std::int16_t* out) noexcept {
#ifdef KORVAX_AVX2
  if (have_avx512()) return bytes_at_least_kept_avx512(row, keep, n, need, out);
#endif
  return KORVAX_PICK(bytes_at_least_kept, row, keep, n, need, out);
}
