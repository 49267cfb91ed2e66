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

// What an agreeing letter c (lower case) counts in a portion that derived p.
[[nodiscard]] inline int letter_weight(const Settings& s, const PortionSettings& p, char c) noexcept {
  if (s.background != 1) return 1;
  const unsigned k = static_cast<unsigned>(static_cast<unsigned char>(c)) - 'a';
  return k < 26 ? p.bg_weight[k] : 1;
}

// What the portion dp derives from the settings s (the reader calls it for
// every portion it reads). Under -BG0 the threshold is the settings' own and
// there are no weights. Under -BG1 the letters of the portion's sequences are
// counted and each letter's weight set; when -T was not given, the threshold
// is the parse's (its L/2 halves) times the mean weight sum_x b(x) w(x),
// rounded. A letter of the alphabet absent from the portion is given the
// frequency 1/(2N) of N letters counted (its weight is shown, never met in a
// word).
[[nodiscard]] PortionSettings derive_portion(const Settings& s, const DataPortion& dp) noexcept;

// Writes the background part of the parameters line under -BG1:
// "background=1 (quarter bits)  weights=a:8,c:8,g:8,t:8  " (the letters of the
// alphabet in order, weights from p); nothing under -BG0.
void write_background(Out& out, const Settings& s, const PortionSettings& p) noexcept;
