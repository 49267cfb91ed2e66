// harness.cpp: runs korvax under mpiexec and collects what it wrote.
#include "e2e/harness.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

RunResult run_korvax(const Workdir& wd, int tasks, const std::vector<std::string>& args,
                     bool fixed_coin) {
  return run_korvax_env(wd, tasks, args, "", fixed_coin);
}

RunResult run_korvax_env(const Workdir& wd, int tasks, const std::vector<std::string>& args,
                         const std::string& env, bool fixed_coin) {
  // Leak detection stays off under mpiexec only: MPICH's start-up leaves a
  // small block that LeakSanitizer cannot attribute (see docs/testing.md).
  // A preloaded test shim may come before the sanitizer runtime. korvax asks
  // for memory with nothrow new and turns a refusal into ERMEM; under the
  // sanitizer a request beyond 8 GiB is refused, as the kernel refuses one
  // beyond the machine's memory.
  std::string cmd = env +
                    "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0:allocator_may_return_null=1:"
                    "max_allocation_size_mb=8192 " +
                    quote(KORVAX_MPIEXEC) + " -n " + std::to_string(tasks) + " " +
                    quote(fixed_coin ? KORVAX_FIXED_BIN : KORVAX_BIN);
  for (const auto& a : args) cmd += " " + quote(a);
  return run_shell(wd, cmd + " < /dev/null");
}

RunResult run_shell(const Workdir& wd, const std::string& cmd) {
  // timeout signals its whole process group: the shell, mpiexec, every task.
  const std::string line = "cd " + quote(wd.path) + " && timeout -k 10 " + std::to_string(kRunLimitSeconds) +
                           " sh -c " + quote(cmd) + " > .stdout 2> .stderr";
  const auto start = std::chrono::steady_clock::now();
  const int rc = std::system(line.c_str());
  const auto took = std::chrono::steady_clock::now() - start;
  RunResult r;
  r.exit_code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  // timeout answers 124 (TERM sent) or 137 (KILL needed); a killed task can
  // give 137 too, so the time taken decides.
  r.timed_out = (r.exit_code == 124 || r.exit_code == 137) && took >= std::chrono::seconds(kRunLimitSeconds);
  r.out = wd.read(".stdout");
  r.err = wd.read(".stderr");
  if (r.timed_out)
    ADD_FAILURE() << "the run did not end within " << kRunLimitSeconds << " s: " << cmd;
  return r;
}

std::string mask_times(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t j = i;  // whole runs of digits only, so never the tail of a longer number
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j == i) {
      out += text[i++];
      continue;
    }
    const bool step = text.compare(j, 3, " s)") == 0;
    const bool total = text.compare(j, 4, " sec") == 0 && out.size() >= 6 && out.compare(out.size() - 6, 6, "time: ") == 0;
    out += step || total ? std::string("N") : text.substr(i, j - i);
    i = j;
  }
  return out;
}

std::string source_path(const std::string& relative) {
  return std::string(KORVAX_SOURCE_DIR) + "/" + relative;
}

std::string read_source(const std::string& relative) { return read_text(source_path(relative)); }

std::string mask_program(const std::string& text) {
  const std::size_t at = text.find("\n0: \"");
  const std::size_t end = at == std::string::npos ? at : text.find("\"   [v.", at + 5);
  if (end == std::string::npos) return text;
  return text.substr(0, at) + "\n0: \"korvax" + text.substr(end);
}

void expect_golden(const std::string& name, const std::string& text) {
  const std::string path = source_path("tests/e2e/golden/" + name);
  if (std::getenv("KORVAX_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << text;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << "missing golden file " << path;
  EXPECT_EQ(text, read_text(path)) << "differs from " << path;
}

int count_of(const std::string& text, const std::string& part) {
  int k = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++k;
  return k;
}
