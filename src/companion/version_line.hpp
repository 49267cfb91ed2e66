// version_line.hpp: the --version line of the companion programs, as
// korvax-prep prints it: the program's name and korvax's version.
#pragma once

#include <cstdio>

#include "settings.hpp"

inline void print_version(const char* program) noexcept { std::printf("%s %s\n", program, kVersion); }
