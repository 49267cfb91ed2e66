// test_support.cpp: failing allocations on request, temporary files.
#include "test_support.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>

namespace {
long g_fail_from = -1;  // index of the first allocation to fail; -1 = never
long g_seen = 0;
}  // namespace

void fail_allocations_after(long k) {
  g_seen = 0;
  g_fail_from = k;
}
void alloc_failures_off() { g_fail_from = -1; }
long allocations_seen() { return g_seen; }

// korvax allocates every table and record with the nothrow forms of new;
// replacing them lets a test fail the k-th request.
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  if (g_fail_from >= 0 && g_seen++ >= g_fail_from) return nullptr;
  try {
    return ::operator new[](n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (g_fail_from >= 0 && g_seen++ >= g_fail_from) return nullptr;
  try {
    return ::operator new(n);
  } catch (...) {
    return nullptr;
  }
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/korvax-test-XXXXXX";
  const char* p = mkdtemp(tmpl);
  path = p ? p : "/tmp";
}
TempDir::~TempDir() {
  std::error_code ec;
  if (path != "/tmp") std::filesystem::remove_all(path, ec);
}
std::string TempDir::write(const std::string& name, const std::string& text) const {
  std::ofstream(file(name), std::ios::binary) << text;
  return file(name);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
