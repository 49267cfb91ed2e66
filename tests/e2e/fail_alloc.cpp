// fail_alloc.cpp: a test shim, loaded with LD_PRELOAD, that refuses one
// memory request of one task, as an exhausted machine would.
//
// korvax asks for all its memory with the nothrow forms of new. The shim
// names each request by its allocation path, the four return addresses
// above it, and numbers the paths of a process in the order in which they
// first ask. In the task FAIL_ALLOC_TASK (the rank from PMI_RANK) the first
// request of path FAIL_ALLOC_PATH is refused, and no other. With
// FAIL_ALLOC_COUNT=<prefix> every task writes the number of paths it saw to
// <prefix>.<rank> when it ends, so that a test can refuse each in turn.
#include <dlfcn.h>
#include <execinfo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kFrames = 4;
constexpr int kMaxPaths = 1024;

struct Shim {
  void* paths[kMaxPaths][kFrames] = {};
  int count = 0;
  bool refused = false;
};
Shim shim;  // one per process; the shim's only state

int env_int(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : -1;
}

// Numbers the path of the current request; true when it is to be refused.
bool refuse() {
  void* frames[kFrames + 2];
  const int got = backtrace(frames, kFrames + 2);
  void* key[kFrames] = {};
  for (int k = 0; k < kFrames && k + 2 < got; ++k) key[k] = frames[k + 2];  // above refuse and new
  for (int i = 0; i < shim.count; ++i)
    if (std::memcmp(shim.paths[i], key, sizeof key) == 0) return false;  // seen: only a first request
  if (shim.count == kMaxPaths) return false;
  const int path = shim.count++;
  std::memcpy(shim.paths[path], key, sizeof key);
  if (shim.refused || env_int("FAIL_ALLOC_TASK") != env_int("PMI_RANK") || env_int("FAIL_ALLOC_PATH") != path)
    return false;
  shim.refused = true;
  return true;
}

template <class Fn>
Fn next(const char* symbol) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, symbol));
}

__attribute__((destructor)) void report() {
  const char* prefix = std::getenv("FAIL_ALLOC_COUNT");
  if (prefix == nullptr) return;
  char name[1024];
  std::snprintf(name, sizeof name, "%s.%d", prefix, env_int("PMI_RANK"));
  if (std::FILE* f = std::fopen(name, "w")) {
    std::fprintf(f, "%d\n", shim.count);
    std::fclose(f);
  }
}

}  // namespace

void* operator new(std::size_t n, const std::nothrow_t& t) noexcept {
  using Fn = void* (*)(std::size_t, const std::nothrow_t&);
  static const Fn real = next<Fn>("_ZnwmRKSt9nothrow_t");
  return refuse() ? nullptr : real(n, t);
}

void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
  using Fn = void* (*)(std::size_t, const std::nothrow_t&);
  static const Fn real = next<Fn>("_ZnamRKSt9nothrow_t");
  return refuse() ? nullptr : real(n, t);
}
