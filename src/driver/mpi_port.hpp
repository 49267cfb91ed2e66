// mpi_port.hpp: the dispatch loop's view of the secondary tasks, over MPI.
#pragma once

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
