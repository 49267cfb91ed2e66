// check.hpp: the oracle check of the fuzz targets.
#pragma once

#include <cstdio>
#include <cstdlib>

// A failed check names itself, then aborts, so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                             \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)
