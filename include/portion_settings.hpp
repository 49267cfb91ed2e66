// portion_settings.hpp: what a data portion derives from the settings.
//
// The settings stay as the command line gave them; what depends on a
// portion's own letters is derived when the portion is read and held beside
// them, in the portion (src/proximity/background.hpp derives it).
#pragma once

struct PortionSettings {
  // The quality threshold of this portion: the settings' own, or under -BG1,
  // when -T was not given, the parse's threshold times the mean letter weight.
  int threshold = -1;
  // -BG1: the weight of each letter a..z in quarter bits (0 for a letter
  // outside the alphabet); all 0 under -BG0, where every letter counts 1.
  int bg_weight[26] = {};
};
