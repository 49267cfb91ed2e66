// task_port.hpp: all that the dispatch loop knows of the other tasks.
//
// The run driver implements it with MPI messages; tests implement it with a
// search run in the same process, or with a script.
#pragma once

#include <cstdint>

#include "status.hpp"

class TaskPort {
 public:
  virtual ~TaskPort() = default;
  // Tag 1: one permutation of n entries to task t.
  virtual void send_perm(int t, const std::int16_t* perm, int n) noexcept = 0;
  // Waits until a message from any task is waiting; its source and tag.
  virtual void wait_any(int& source, int& tag) noexcept = 0;
  // Waits until a message from task `source` is waiting; its tag.
  virtual void wait_from(int source, int& tag) noexcept = 0;
  // Looks once for a waiting result (tag 2) from any task.
  [[nodiscard]] virtual bool poll_result(int& source) noexcept = 0;
  // Tag 2: the result message (count int32) of task `source`.
  virtual void recv_result(int source, std::int32_t* msg, int count) noexcept = 0;
  // Tag 4: the error status of task `source`.
  [[nodiscard]] virtual std::int32_t recv_error(int source) noexcept = 0;
  // Tag 3: the stop message carrying `word` to task t.
  virtual void send_stop(int t, Status word) noexcept = 0;
  // Receives and drops a message of another tag from `source`.
  virtual void drop(int source, int tag) noexcept = 0;
  // Seconds, as MPI_Wtime reads them.
  [[nodiscard]] virtual double now() noexcept = 0;
};
