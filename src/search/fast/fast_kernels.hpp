// fast_kernels.hpp: the innermost loops of the fast search, over whole rows.
//
// Each works on a row of n entries (n = mw, the words of the other head) and
// has a vector form for processors with AVX2 (and the two busiest, with
// AVX-512), chosen once at run time, and a plain form for the others; all
// give the same answers.
#pragma once

#include <cstdint>

// acc[x] = row[x] for x < n.
void kernel_set(std::int16_t* acc, const std::uint8_t* row, int n) noexcept;

// acc[x] += row[x] for x < n.
void kernel_add(std::int16_t* acc, const std::uint8_t* row, int n) noexcept;

// acc[x] = min(255, acc[x] + row[x]) for x < n: a sum compared with a
// threshold of at most 255 is judged alike when held to 255.
void kernel_add_bytes(std::uint8_t* acc, const std::uint8_t* row, int n) noexcept;

// out[2i] = a[i] and out[2i + 1] = b[i] for i < n (short runs: inline).
inline void kernel_interleave(std::int16_t* __restrict out, const std::int16_t* __restrict a,
                              const std::int16_t* __restrict b, int n) noexcept {
  for (int i = 0; i < n; ++i) {
    out[2 * i] = a[i];
    out[2 * i + 1] = b[i];
  }
}

// Writes every x < n with a[x] + b[x] + c[x] >= need into out, ascending, for
// need of at most 255 (sums held to 255 decide alike); a may be null.
int kernel_sum3_at_least(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, int n, int need,
                         std::int16_t* out) noexcept;

// Writes every x < n with acc[x] >= need into out, ascending; returns the count.
int kernel_at_least(const std::int16_t* acc, int n, int need, std::int16_t* out) noexcept;

// Writes every x < n with a[x] + b[x] >= need into out, ascending; returns the count.
int kernel_sum_at_least(const std::uint8_t* a, const std::uint8_t* b, int n, int need,
                        std::int16_t* out) noexcept;

// Writes every x < n with row[x] >= need into out, ascending; returns the count.
int kernel_bytes_at_least(const std::uint8_t* row, int n, int need, std::int16_t* out) noexcept;

// Writes every x < n with row[x] >= need and keep[x] != 0 into out, ascending;
// returns the count (need <= 0: every x kept; need > 255: none).
int kernel_bytes_at_least_kept(const std::uint8_t* row, const std::uint8_t* keep, int n, int need,
                               std::int16_t* out) noexcept;
