// task_context.hpp: everything one task holds for the run.
//
// One TaskContext per task, made by the run driver and passed down; korvax
// has no mutable global state.
#pragma once

#include "coin.hpp"
#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "task_state.hpp"
#include "../proximity/proximity.hpp"

struct TaskContext {
  int task = 0;              // MPI rank; 0 = root task
  int tasks = 0;             // MPI size
  Status run_status = 0;     // OR of every status handed to the driver
  double run_start = 0;      // MPI_Wtime at start-up
  double portion_start = 0;  // MPI_Wtime before the portion was read
  double last_event = 0;     // MPI_Wtime of the last notable event
  Settings set;
  RunFiles files;
  DataPortion dp;
  ProxMatrix matrix;
  CoinStream coin_stream;  // the bits of this task's coin
  Coin coin;               // reads coin_stream (set at start-up)
  RootPortion root;        // root task only

  int pairs = 0;  // per portion: -P capped to n - 1
  // The proximity matrix could not be had once: proximities are computed on
  // the fly for the rest of the run, as with -X0.
  bool matrix_refused = false;

  Table<char> transfer;  // the 1,000,000-byte buffer of the shutdown merge

  [[nodiscard]] bool is_root() const noexcept { return task == 0; }
  [[nodiscard]] int seconds() const noexcept { return static_cast<int>(last_event - run_start); }
};
