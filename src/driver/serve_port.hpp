// serve_port.hpp: all that a secondary task's loop knows of the root task.
//
// The run driver implements it with MPI messages (MpiServePort); tests
// implement it with a script of messages and a clock of their own.
#pragma once

#include <cstdint>

#include "status.hpp"

class ServePort {
 public:
  virtual ~ServePort() = default;
  // Waits until a message from the root task is waiting; its tag.
  [[nodiscard]] virtual int wait() noexcept = 0;
  // Tag 1: receives the waiting permutation of n entries.
  virtual void recv_perm(std::int16_t* perm, int n) noexcept = 0;
  // Tag 3: receives the waiting stop message; the word it carries.
  [[nodiscard]] virtual std::int32_t recv_stop() noexcept = 0;
  // Receives and drops the waiting message of another tag.
  virtual void drop(int tag) noexcept = 0;
  // Tag 2: the result message (count int32) to the root task.
  virtual void send_result(const std::int32_t* msg, int count) noexcept = 0;
  // Tag 4: the status of a task that gives up serving.
  virtual void send_error(Status word) noexcept = 0;
  // Seconds, as MPI_Wtime reads them.
  [[nodiscard]] virtual double now() noexcept = 0;
};
