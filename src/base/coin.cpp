// coin.cpp: the build's coin (compiled once per coin flavour).
#include "coin.hpp"

#include <ctime>

int coin_build_flip() noexcept {
#ifdef KORVAX_FIXED_COIN
  return 0;
#else
  return static_cast<int>(std::clock() & 1);
#endif
}

bool coin_build_fixed() noexcept {
#ifdef KORVAX_FIXED_COIN
  return true;
#else
  return false;
#endif
}
