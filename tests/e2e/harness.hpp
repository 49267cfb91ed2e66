// harness.hpp: running the real korvax binary under mpiexec.
#pragma once

#include <string>
#include <vector>

#include "temp_dir.hpp"

struct RunResult {
  std::string out;   // console (standard output of the job)
  std::string err;   // standard error of the job
  int exit_code = -1;
  bool timed_out = false;  // killed at the time limit (the test has failed)
};

// Every run ends within this many seconds, or it is killed and the test
// fails with the command line shown: a hang never passes unnoticed.
#ifdef KORVAX_SANITIZED
inline constexpr int kRunLimitSeconds = 180;
#else
inline constexpr int kRunLimitSeconds = 60;
#endif

using Workdir = TempDir;

// Runs `mpiexec -n tasks <binary> args...` inside wd. fixed_coin selects the
// build whose coin always reads even (for exact expectations).
RunResult run_korvax(const Workdir& wd, int tasks, const std::vector<std::string>& args,
                     bool fixed_coin = true);

// The same with environment assignments ("NAME=value ") or a shell command
// ending in "&& " before mpiexec.
RunResult run_korvax_env(const Workdir& wd, int tasks, const std::vector<std::string>& args,
                         const std::string& env, bool fixed_coin = true);

// Runs a shell command inside wd, standard input empty unless the command
// says otherwise, within the time limit above.
RunResult run_shell(const Workdir& wd, const std::string& cmd);

// Replaces every "<digits> s)" and "time: <digits> sec" by a fixed text, so
// that timings do not disturb exact comparisons.
std::string mask_times(const std::string& text);

// The bundled example and the data of the tests: a path in the source tree,
// and a file's text.
std::string source_path(const std::string& relative);
std::string read_source(const std::string& relative);

// The input of the golden run: two data portions (4 and 2 sequences).
inline std::string golden_input() { return read_source("tests/e2e/golden/small/input.fa"); }

inline std::string read_text(const std::string& path) { return read_file(path); }

// Replaces the program path in the echo of the arguments by "korvax".
std::string mask_program(const std::string& text);

// Compares text with the golden file tests/e2e/golden/<name>; with
// KORVAX_UPDATE_GOLDEN set in the environment, writes it instead.
void expect_golden(const std::string& name, const std::string& text);

// How many times text holds part.
int count_of(const std::string& text, const std::string& part);
