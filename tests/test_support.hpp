// test_support.hpp: helpers shared by the unit tests.
#pragma once

#include <string>

// Makes every nothrow array allocation fail from the k-th one on (k = 0: the
// next one) until alloc_failures_off(); returns how many were attempted so far.
void fail_allocations_after(long k);
void alloc_failures_off();
long allocations_seen();

// A fresh temporary directory, removed with its files at destruction.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  [[nodiscard]] std::string file(const std::string& name) const { return path + "/" + name; }
  // Writes text into the named file and returns its path.
  std::string write(const std::string& name, const std::string& text) const;
};

std::string read_file(const std::string& path);
