// spawn.cpp: child processes with their output in files or read line by line.
#include "spawn.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

volatile std::sig_atomic_t g_find_interrupted = 0;

namespace {

extern "C" void on_signal(int) { g_find_interrupted = 1; }

// The child's side: folder, standard output and error, then the program.
[[noreturn]] void exec_child(const Step& step, int out_fd, int err_fd) {
  if (!step.dir.empty() && chdir(step.dir.c_str()) != 0) _exit(127);
  if (out_fd >= 0) dup2(out_fd, 1);
  if (err_fd >= 0) dup2(err_fd, 2);
  std::vector<char*> args;
  for (const std::string& a : step.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

// Reads the pipe line by line until its end, handing each line on.
void read_lines(int fd, pid_t child, const Step& step) {
  std::string pending;
  char buf[4096];
  bool stopping = false;
  for (;;) {
    if (g_find_interrupted && !stopping) {
      kill(child, SIGTERM);
      stopping = true;
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = poll(&p, 1, 1000);
    if (ready == 0) {
      if (step.on_line) step.on_line("");
      continue;
    }
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    const ssize_t got = read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    pending.append(buf, static_cast<std::size_t>(got));
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
      if (step.on_line) step.on_line(pending.substr(0, nl));
  }
  if (!pending.empty() && step.on_line) step.on_line(pending);
}

}  // namespace

void install_interrupt_handler() noexcept {
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

int run_step(const Step& step, std::string* why) {
  int out_fd = -1, pipe_fd[2] = {-1, -1};
  const int err_fd = step.stderr_file.empty()
                         ? -1
                         : open(step.stderr_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (!step.stdout_file.empty()) {
    out_fd = open(step.stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } else if (pipe2(pipe_fd, O_CLOEXEC) == 0) {
    out_fd = pipe_fd[1];
  }
  if (out_fd < 0 || (!step.stderr_file.empty() && err_fd < 0)) {
    *why = std::strerror(errno);
    for (int fd : {out_fd, err_fd, pipe_fd[0]})
      if (fd >= 0) close(fd);
    return -1;
  }
  const pid_t child = fork();
  if (child == 0) exec_child(step, out_fd, err_fd);
  const int fork_errno = errno;
  close(out_fd);
  if (err_fd >= 0) close(err_fd);
  if (child < 0) {
    if (pipe_fd[0] >= 0) close(pipe_fd[0]);
    *why = std::strerror(fork_errno);
    return -1;
  }
  if (pipe_fd[0] >= 0) {
    read_lines(pipe_fd[0], child, step);
    close(pipe_fd[0]);
  }
  int status = 0;
  bool stopping = false;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {
      *why = std::strerror(errno);
      return -1;
    }
    if (g_find_interrupted && !stopping) {
      kill(child, SIGTERM);
      stopping = true;
    }
    usleep(20000);
  }
  if (WIFEXITED(status)) {
    if (WEXITSTATUS(status) == 127) *why = "could not be started (not found?)";
    return WEXITSTATUS(status);
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}
