// mpi_port.hpp: the two sides of the protocol between the root task and the
// secondary tasks, over MPI: the dispatch loop's view of the secondary tasks,
// and a secondary task's view of the root task.
#pragma once

#include "serve_port.hpp"
#include "../scheduler/task_port.hpp"

class MpiPort final : public TaskPort {
 public:
  void send_perm(int t, const std::int16_t* perm, int n) noexcept override;
  void wait_any(int& source, int& tag) noexcept override;
  void wait_from(int source, int& tag) noexcept override;
  [[nodiscard]] bool poll_result(int& source) noexcept override;
  void recv_result(int source, std::int32_t* msg, int count) noexcept override;
  [[nodiscard]] std::int32_t recv_error(int source) noexcept override;
  void send_stop(int t, Status word) noexcept override;
  void drop(int source, int tag) noexcept override;
  [[nodiscard]] double now() noexcept override;
};

class MpiServePort final : public ServePort {
 public:
  [[nodiscard]] int wait() noexcept override;
  void recv_perm(std::int16_t* perm, int n) noexcept override;
  [[nodiscard]] std::int32_t recv_stop() noexcept override;
  void drop(int tag) noexcept override;
  void send_result(const std::int32_t* msg, int count) noexcept override;
  void send_error(Status word) noexcept override;
  [[nodiscard]] double now() noexcept override;
};
