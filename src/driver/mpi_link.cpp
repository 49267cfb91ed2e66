// mpi_link.cpp: MPI calls, and the one place where a task waits.
#include "mpi_link.hpp"

#include "messages.hpp"
#include "portion.hpp"
#include "table.hpp"

#include <mpi.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Polls `ready` until it answers true. For the first 250 us it polls
// continuously, yielding the processor between polls (an answer is often
// just behind: a ping-pong such as the copy of the secondary files then
// costs microseconds); after that it sleeps between polls, from 20 us
// growing to 1 ms, so that a long wait costs almost no processor time.
template <class Ready>
void wait_until(Ready ready) noexcept {
  using clock = std::chrono::steady_clock;
  const auto spin_end = clock::now() + std::chrono::microseconds(250);
  while (clock::now() < spin_end) {
    if (ready()) return;
    std::this_thread::yield();
  }
  auto pause = std::chrono::microseconds(20);
  const auto longest = std::chrono::microseconds(1000);
  while (!ready()) {
    std::this_thread::sleep_for(pause);
    if (pause < longest) pause = std::min(pause * 2, longest);
  }
}

}  // namespace

void mpi_start(int* argc, char*** argv, int& task, int& tasks) noexcept {
  MPI_Init(argc, argv);
  MPI_Comm_size(MPI_COMM_WORLD, &tasks);
  MPI_Comm_rank(MPI_COMM_WORLD, &task);
}

void mpi_stop() noexcept { MPI_Finalize(); }

double wall_time() noexcept { return MPI_Wtime(); }

bool poll_message(int source, int tag, Probe& ret) noexcept {
  int flag = 0;
  MPI_Status st;
  MPI_Iprobe(source == kAnySource ? MPI_ANY_SOURCE : source, tag == kAnyTag ? MPI_ANY_TAG : tag,
             MPI_COMM_WORLD, &flag, &st);
  if (!flag) return false;
  ret.source = st.MPI_SOURCE;
  ret.tag = st.MPI_TAG;
  return true;
}

Probe wait_message(int source, int tag) noexcept {
  Probe p;
  wait_until([&] { return poll_message(source, tag, p); });
  return p;
}

void send_shorts(const std::int16_t* buf, int count, int dest, int tag) noexcept {
  MPI_Send(buf, count, MPI_SHORT, dest, tag, MPI_COMM_WORLD);
}
void recv_shorts(std::int16_t* buf, int count, int source, int tag) noexcept {
  MPI_Recv(buf, count, MPI_SHORT, source, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
}
void send_ints(const std::int32_t* buf, int count, int dest, int tag) noexcept {
  MPI_Send(buf, count, MPI_INT, dest, tag, MPI_COMM_WORLD);
}
void recv_ints(std::int32_t* buf, int count, int source, int tag) noexcept {
  MPI_Recv(buf, count, MPI_INT, source, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
}
void send_text(const char* buf, int count, int dest, int tag) noexcept {
  MPI_Send(buf, count, MPI_CHAR, dest, tag, MPI_COMM_WORLD);
}
int recv_text(char* buf, int count, int source, int tag) noexcept {
  MPI_Status st;
  int got = 0;
  MPI_Recv(buf, count, MPI_CHAR, source, tag, MPI_COMM_WORLD, &st);
  MPI_Get_count(&st, MPI_CHAR, &got);
  return got;
}

void discard_message(const Probe& p) noexcept {
  // Whatever its datatype, the message is received as the bytes it holds:
  // on the stack when it is no larger than a result message (every message
  // that can be dropped is), so that dropping one needs no memory.
  int bytes = 0;
  MPI_Status st;
  MPI_Probe(p.source, p.tag, MPI_COMM_WORLD, &st);  // the message is known to be waiting
  MPI_Get_count(&st, MPI_BYTE, &bytes);
  std::int32_t small[ResultLayout{kMaxSeqs}.count()];
  Table<char> large;
  void* sink = small;
  if (bytes > static_cast<int>(sizeof small)) {
    if (table_alloc(large, ix(bytes)) != 0) return;  // tried again at the next probe
    sink = large.data();
  }
  MPI_Recv(sink, bytes, MPI_BYTE, p.source, p.tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
}

void barrier() noexcept {
  MPI_Request req;
  MPI_Ibarrier(MPI_COMM_WORLD, &req);
  wait_until([&] {
    int done = 0;
    MPI_Test(&req, &done, MPI_STATUS_IGNORE);
    return done != 0;
  });
}

Status agree_or(Status mine) noexcept {
  unsigned int in = mine, out = 0;
  MPI_Request req;
  MPI_Iallreduce(&in, &out, 1, MPI_UNSIGNED, MPI_BOR, MPI_COMM_WORLD, &req);
  wait_until([&] {
    int done = 0;
    MPI_Test(&req, &done, MPI_STATUS_IGNORE);
    return done != 0;
  });
  return out;
}
