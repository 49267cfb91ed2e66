// messages.hpp: the messages between the root task and a secondary task.
//
// All are point-to-point on MPI_COMM_WORLD, between task 0 and one secondary
// task. Payloads are arrays of one datatype; counts follow the data portion.
#pragma once

#include <cstddef>

enum MessageTag : int {
  kTagPerm = 1,     // root -> secondary: n int16, one permutation
  kTagResult = 2,   // secondary -> root: 2n + 4 int32, the result message
  kTagStop = 3,     // root -> secondary: 1 int32, a status word
  kTagError = 4,    // secondary -> root: 1 int32, the error status of a task that gives up
  kTagText = 5,     // secondary -> root: one piece of the secondary file with its zero byte
  kTagAck = 6,      // root -> secondary: 1 int32, 0
  kTagEndText = 7,  // secondary -> root: 1 int32, the acknowledgement variable
};

inline constexpr int kTransferBytes = 1000000;  // one text piece, zero byte included

// The result message of 2n + 4 int32: words [0, n), proximity sums [n, 2n),
// then quality x100, power, avg proximity x100 and the task status.
struct ResultLayout {
  int n;
  [[nodiscard]] constexpr int count() const noexcept { return 2 * n + 4; }
  [[nodiscard]] int words() const noexcept { return 0; }
  [[nodiscard]] int prox_sums() const noexcept { return n; }
  [[nodiscard]] int quality() const noexcept { return 2 * n; }
  [[nodiscard]] int power() const noexcept { return 2 * n + 1; }
  [[nodiscard]] int avg_proximity() const noexcept { return 2 * n + 2; }
  [[nodiscard]] int status() const noexcept { return 2 * n + 3; }
};
