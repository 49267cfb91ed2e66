// mpi_link.hpp: the only place where korvax talks to MPI.
//
// Every wait goes through wait_message() or the non-blocking collectives
// below, which poll with short, growing sleeps: MPICH's blocking calls spin,
// and korvax usually runs more tasks than there are free cores.
#pragma once

#include <cstdint>

#include "status.hpp"

struct Probe {
  int source = -1;
  int tag = -1;
};

inline constexpr int kAnySource = -1;
inline constexpr int kAnyTag = -1;

void mpi_start(int* argc, char*** argv, int& task, int& tasks) noexcept;
void mpi_stop() noexcept;
[[nodiscard]] double wall_time() noexcept;

// Waits (without spinning) until a message from `source` with `tag` is waiting.
[[nodiscard]] Probe wait_message(int source, int tag) noexcept;
// Looks once for a waiting message; true and fills ret when there is one.
[[nodiscard]] bool poll_message(int source, int tag, Probe& ret) noexcept;

void send_shorts(const std::int16_t* buf, int count, int dest, int tag) noexcept;
void recv_shorts(std::int16_t* buf, int count, int source, int tag) noexcept;
void send_ints(const std::int32_t* buf, int count, int dest, int tag) noexcept;
void recv_ints(std::int32_t* buf, int count, int source, int tag) noexcept;
void send_text(const char* buf, int count, int dest, int tag) noexcept;
// Receives at most `count` characters; returns how many arrived.
[[nodiscard]] int recv_text(char* buf, int count, int source, int tag) noexcept;
// Receives and throws away a waiting message, whatever its type and size.
void discard_message(const Probe& p) noexcept;

// Collectives, waited for without spinning.
void barrier() noexcept;
// The bitwise OR of `mine` over every task.
[[nodiscard]] Status agree_or(Status mine) noexcept;
