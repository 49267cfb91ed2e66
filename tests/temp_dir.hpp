// temp_dir.hpp: a fresh temporary directory per test, and whole files read
// back; shared by the unit and the end-to-end tests.
#pragma once

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file ("" when it cannot be read).
inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Whether text holds part.
inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// s in lower case.
inline std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Made under /tmp, removed with its files at destruction (kept when
// KORVAX_KEEP_TEST_DIRS is set, to look at a failed case).
struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/korvax-test-XXXXXX";
    const char* p = mkdtemp(tmpl);
    path = p ? p : "/tmp";
  }
  ~TempDir() {
    std::error_code ec;
    if (path != "/tmp" && std::getenv("KORVAX_KEEP_TEST_DIRS") == nullptr) std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] std::string file(const std::string& name) const { return path + "/" + name; }
  // Writes text into the named file and returns its path.
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }
  [[nodiscard]] std::string read(const std::string& name) const { return read_file(file(name)); }
  [[nodiscard]] bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
};
