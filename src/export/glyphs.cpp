// glyphs.cpp: the letters and digits of the logo as filled outlines.
//
// Letters are drawn in a 100 x 100 box (y downwards) with strokes 17 units
// wide, so that a logo scales each one to its column and height without any
// font. Holes are cut with the even-odd rule; a glyph of several parts
// draws each part as its own path.
#include "glyphs.hpp"

#include <cstring>

namespace {

struct Glyph {
  char c;
  std::vector<const char*> parts;
};

const std::vector<Glyph>& letter_table() {
  static const std::vector<Glyph> table = {
      {'A', {"M0,100 L38,0 H62 L100,100 H81 L72,76 H28 L19,100 Z M34,60 H66 L50,17 Z"}},
      {'C', {"M87.2,16.5 A50,50 0 1 0 87.2,83.5 L74.5,72.1 A33,33 0 1 1 74.5,27.9 Z"}},
      {'D', {"M0,0 H48 A52,50 0 0 1 48,100 H0 Z M17,17 H48 A35,33 0 0 1 48,83 H17 Z"}},
      {'E', {"M0,0 H100 V17 H17 V41 H88 V58 H17 V83 H100 V100 H0 Z"}},
      {'F', {"M0,0 H100 V17 H17 V42 H88 V59 H17 V100 H0 Z"}},
      {'G', {"M87.2,16.5 A50,50 0 1 0 100,50 L83,50 A33,33 0 1 1 74.5,27.9 Z", "M54,48 H100 V64 H54 Z"}},
      {'H', {"M0,0 H17 V42 H83 V0 H100 V100 H83 V59 H17 V100 H0 Z"}},
      {'I', {"M10,0 H90 V17 H59 V83 H90 V100 H10 V83 H41 V17 H10 Z"}},
      {'K', {"M0,0 H17 V45 L74,0 H100 L49,41 L100,100 H77 L37,51 L17,67 V100 H0 Z"}},
      {'L', {"M0,0 H17 V83 H100 V100 H0 Z"}},
      {'M', {"M0,100 V0 H19 L50,58 L81,0 H100 V100 H83 V33 L57,82 H43 L17,33 V100 Z"}},
      {'N', {"M0,100 V0 H19 L83,72 V0 H100 V100 H81 L17,28 V100 Z"}},
      {'P', {"M0,0 H58 A42,29 0 0 1 58,58 H17 V100 H0 Z M17,17 H58 A25,12 0 0 1 58,41 H17 Z"}},
      {'Q',
       {"M50,0 A50,48 0 1 0 50,96 A50,48 0 1 0 50,0 Z M50,17 A33,31 0 1 0 50,79 A33,31 0 1 0 50,17 Z",
        "M55,72 L70,62 L100,92 L88,100 Z"}},
      {'R',
       {"M0,0 H58 A42,29 0 0 1 58,58 H17 V100 H0 Z M17,17 H58 A25,12 0 0 1 58,41 H17 Z",
        "M44,52 H65 L100,100 H79 Z"}},
      {'S',
       {"M95.3,16.9 A50,29.2 0 1 0 53.5,58.4 L52.3,41.5 A33,12.2 0 1 1 79.9,24.1 Z",
        "M4.7,83.1 A50,29.2 0 1 0 46.5,41.6 L47.7,58.5 A33,12.2 0 1 1 20.1,75.9 Z"}},
      {'T', {"M0,0 H100 V17 H58.5 V100 H41.5 V17 H0 Z"}},
      {'V', {"M0,0 H20 L50,80 L80,0 H100 L61,100 H39 Z"}},
      {'W', {"M0,0 H17 L28,70 L42,0 H58 L72,70 L83,0 H100 L82,100 H64 L50,36 L36,100 H18 Z"}},
      {'Y', {"M0,0 H21 L50,44 L79,0 H100 L58.5,59 V100 H41.5 V59 Z"}},
  };
  return table;
}

// Digits as seven segments in a 60 x 100 box: top, upper right, lower right,
// bottom, lower left, upper left, middle.
constexpr const char* kSegments[7] = {"M0,0 H60 V12 H0 Z",   "M48,0 H60 V50 H48 Z", "M48,50 H60 V100 H48 Z",
                                      "M0,88 H60 V100 H0 Z", "M0,50 H12 V100 H0 Z", "M0,0 H12 V50 H0 Z",
                                      "M0,44 H60 V56 H0 Z"};
constexpr const char* kDigitSegments[10] = {"012345", "",       "01643", "01623",   "5612",
                                            "05623",  "056432", "012",   "0123456", "012356"};

}  // namespace

std::vector<const char*> letter_glyph(char c) {
  for (const Glyph& g : letter_table())
    if (g.c == c) return g.parts;
  return {};
}

std::vector<const char*> digit_glyph(char c) {
  std::vector<const char*> parts;
  if (c == '-') {
    parts.push_back(kSegments[6]);
  } else if (c == '1') {
    parts.push_back("M24,0 H36 V100 H24 Z");  // one stroke in the middle of the box
  } else if (c >= '0' && c <= '9') {
    for (const char* s = kDigitSegments[c - '0']; *s; ++s) parts.push_back(kSegments[*s - '0']);
  }
  return parts;
}
