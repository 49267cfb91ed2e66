// table.hpp: Table<T>, an owned array of exactly the size it needs.
//
// Tables never throw: table_alloc() returns ERMEM when the memory cannot be
// had (or the size cannot be held), and an empty Table owns nothing. Records
// of korvax are aggregates of Tables, so that `rec = {}` releases a record
// and a half-built one cleans itself up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "status.hpp"

// An index (never negative) as a size: korvax counts with int and indexes
// arrays with std::size_t.
[[nodiscard]] constexpr std::size_t ix(int i) noexcept { return static_cast<std::size_t>(i); }

template <class T>
struct Table {
  std::unique_ptr<T[]> at;
  std::size_t n = 0;

  T& operator[](std::size_t i) noexcept { return at[i]; }
  const T& operator[](std::size_t i) const noexcept { return at[i]; }
  T* data() noexcept { return at.get(); }
  const T* data() const noexcept { return at.get(); }
  [[nodiscard]] bool empty() const noexcept { return !at; }
  void reset() noexcept {
    at.reset();
    n = 0;
  }
};

// Allocates t with n value-initialised (zeroed) elements, releasing what t
// held before. n = 0 leaves t empty. Returns 0 or ERMEM.
template <class T>
[[nodiscard]] Status table_alloc(Table<T>& t, std::size_t n) noexcept {
  t.reset();
  if (n == 0) return 0;
  if (n > static_cast<std::size_t>(PTRDIFF_MAX) / sizeof(T)) return ERMEM;
  t.at.reset(new (std::nothrow) T[n]());
  if (!t.at) return ERMEM;
  t.n = n;
  return 0;
}

// Allocates like table_alloc() and sets every element to v.
template <class T>
[[nodiscard]] Status table_fill(Table<T>& t, std::size_t n, T v) noexcept {
  if (Status st = table_alloc(t, n); st != 0) return st;
  for (std::size_t i = 0; i < n; ++i) t.at[i] = v;
  return 0;
}

// Makes room for at least `need` elements in t, keeping its first `used`
// ones; the room at least doubles, so that appending stays cheap. Returns 0
// or ERMEM (t unchanged).
template <class T>
[[nodiscard]] Status table_grow(Table<T>& t, std::size_t need, std::size_t used) noexcept {
  if (need <= t.n) return 0;
  Table<T> bigger;
  if (Status st = table_alloc(bigger, need > 2 * t.n ? need : 2 * t.n); st != 0) return st;
  for (std::size_t i = 0; i < used; ++i) bigger.at[i] = t.at[i];
  t = std::move(bigger);
  return 0;
}

// Multiplies a * b into ret unless the product overflows std::size_t.
[[nodiscard]] inline bool mul_size(std::size_t a, std::size_t b, std::size_t& ret) noexcept {
  return !__builtin_mul_overflow(a, b, &ret);
}
