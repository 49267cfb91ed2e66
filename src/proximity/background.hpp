// background.hpp: the letters' background of a data portion (-BG).
//
// Under -BG0 every agreeing letter counts 1. Under -BG1 an agreeing letter x
// counts its information under the portion's own letter frequencies (order
// 0), w(x) = -log2 b(x), in quarter bits (kBitUnits per bit, rounded, at
// least 1); every other term of a proximity or a quality (motif bonus and
// penalty, spacing penalties, conservation bonuses) is scaled by the unit,
// so that 1 of them means one bit. docs/decisions.md says why.
#pragma once

#include <cstdio>

#include "portion.hpp"
#include "settings.hpp"

inline constexpr int kBitUnits = 4;  // proximity units per bit under -BG1

// What one point of a bonus or penalty counts in proximity units.
[[nodiscard]] inline int prox_unit(const Settings& s) noexcept { return s.background == 1 ? kBitUnits : 1; }

// What an agreeing letter c (lower case) counts.
[[nodiscard]] inline int letter_weight(const Settings& s, char c) noexcept {
  if (s.background != 1) return 1;
  const unsigned k = static_cast<unsigned>(static_cast<unsigned char>(c)) - 'a';
  return k < 26 ? s.bg_weight[k] : 1;
}

// Under -BG1: counts the letters of the portion's sequences and sets the
// letter weights; when -T was not given, the threshold becomes the parse's
// (its L/2 halves) times the mean weight sum_x b(x) w(x), rounded. A letter
// of the alphabet absent from the portion is given the frequency 1/(2N) of
// N letters counted (its weight is shown, never met in a word). Under -BG0
// nothing changes.
void derive_background(Settings& s, const DataPortion& dp) noexcept;

// Writes the background part of the parameters line under -BG1:
// "background=1 (quarter bits)  weights=a:8,c:8,g:8,t:8  " (the letters of the
// alphabet in order); nothing under -BG0.
void write_background(std::FILE* out, const Settings& s) noexcept;
