// glyphs.hpp: outlines of the letters and digits that a logo draws.
#pragma once

#include <vector>

// The SVG path data of an upper-case letter of the DNA or amino-acid
// alphabet in a 100 x 100 box; empty for any other character.
[[nodiscard]] std::vector<const char*> letter_glyph(char c);

// The SVG path data of a digit or '-' in a 60 x 100 box; empty otherwise.
[[nodiscard]] std::vector<const char*> digit_glyph(char c);
