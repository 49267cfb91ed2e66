// mpi_port.cpp: both sides of the protocol, made of MPI messages.
#include "mpi_port.hpp"

#include "messages.hpp"
#include "mpi_link.hpp"

void MpiPort::send_perm(int t, const std::int16_t* perm, int n) noexcept {
  send_shorts(perm, n, t, kTagPerm);
}

void MpiPort::wait_any(int& source, int& tag) noexcept {
  const Probe p = wait_message(kAnySource, kAnyTag);
  source = p.source;
  tag = p.tag;
}

void MpiPort::wait_from(int source, int& tag) noexcept { tag = wait_message(source, kAnyTag).tag; }

bool MpiPort::poll_result(int& source) noexcept {
  Probe p;
  if (!poll_message(kAnySource, kTagResult, p)) return false;
  source = p.source;
  return true;
}

void MpiPort::recv_result(int source, std::int32_t* msg, int count) noexcept {
  recv_ints(msg, count, source, kTagResult);
}

std::int32_t MpiPort::recv_error(int source) noexcept {
  std::int32_t word = 0;
  recv_ints(&word, 1, source, kTagError);
  return word;
}

void MpiPort::send_stop(int t, Status word) noexcept {
  const auto w = static_cast<std::int32_t>(word);
  send_ints(&w, 1, t, kTagStop);
}

void MpiPort::drop(int source, int tag) noexcept { discard_message(Probe{source, tag}); }

double MpiPort::now() noexcept { return wall_time(); }

// ---- A secondary task's side: every message comes from or goes to task 0 ----

int MpiServePort::wait() noexcept { return wait_message(0, kAnyTag).tag; }

void MpiServePort::recv_perm(std::int16_t* perm, int n) noexcept { recv_shorts(perm, n, 0, kTagPerm); }

std::int32_t MpiServePort::recv_stop() noexcept {
  std::int32_t word = 0;
  recv_ints(&word, 1, 0, kTagStop);
  return word;
}

void MpiServePort::drop(int tag) noexcept { discard_message(Probe{0, tag}); }

void MpiServePort::send_result(const std::int32_t* msg, int count) noexcept {
  send_ints(msg, count, 0, kTagResult);
}

void MpiServePort::send_error(Status word) noexcept {
  const auto w = static_cast<std::int32_t>(word);
  send_ints(&w, 1, 0, kTagError);
}

double MpiServePort::now() noexcept { return wall_time(); }
