// spawn.hpp: running the steps of korvax-find as child processes.
#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

// Set by the signal handler on SIGINT or SIGTERM; the running step is then
// stopped and korvax-find cleans up.
extern volatile std::sig_atomic_t g_find_interrupted;

// Installs the handler of SIGINT and SIGTERM.
void install_interrupt_handler() noexcept;

struct Step {
  std::vector<std::string> argv;  // argv[0]: the program, found on PATH when it holds no '/'
  std::string dir;                // working folder of the child
  std::string stdout_file;        // standard output into this file (empty: see on_line)
  std::string stderr_file;        // standard error appended to this file
  // Called with every line of standard output when stdout_file is empty, and
  // every second with an empty line, so that a progress line can be redrawn.
  std::function<void(const std::string&)> on_line;
};

// Runs step to its end. Returns the child's exit status (0 to 255), 128 + the
// signal that ended it, or -1 when it could not be started (errno kept in
// *why). On interruption the child is sent SIGTERM and its end awaited.
[[nodiscard]] int run_step(const Step& step, std::string* why);
