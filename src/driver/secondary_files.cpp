// secondary_files.cpp: copying the secondary files into the result file.
//
// Both sides agree, without a message, on whether a copy takes place: every
// task knows the mode, the level, and (through the agreement below) whether
// every task has what the copy needs, so that no task waits for a partner
// that will never send.
#include "secondary_files.hpp"

#include <cstdio>

#include <sys/stat.h>

#include "report_layout.hpp"

#include "messages.hpp"
#include "mpi_link.hpp"
#include "read_piece.hpp"

namespace {

// The size of the secondary file when it is a regular file, else -1: a
// device or a FIFO may read without end, so only a regular file is copied,
// and only as far as it reached when the copy began.
long long regular_size(std::FILE* f) noexcept {
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

// Secondary side: sends each line (in pieces of at most kTransferBytes - 1
// characters, each followed by a zero byte), each answered by an
// acknowledgement, then the end of text.
void send_file(TaskContext& ctx, long long size) noexcept {
  std::int32_t ack = 0;
  char* buf = ctx.transfer.data();
  const long long cap = kTransferBytes - 1;
  while (size > 0) {
    const auto len =
        read_piece(ctx.files.output.file, buf, static_cast<std::size_t>(size < cap ? size : cap));
    if (len == 0) break;
    size -= static_cast<long long>(len);
    buf[len] = '\0';
    send_text(buf, static_cast<int>(len) + 1, 0, kTagText);
    (void)wait_message(0, kTagAck);
    recv_ints(&ack, 1, 0, kTagAck);
  }
  send_ints(&ack, 1, 0, kTagEndText);
}

// Root side: copies the text of task t until its end-of-text message, each
// piece as the bytes that came (its zero byte left out). A message of any
// other tag (a stale one) is received and dropped.
void copy_file(TaskContext& ctx, int t) noexcept {
  Out& out = ctx.files.output;
  out.print("\n%s\n", kSeparator);
  char* buf = ctx.transfer.data();
  for (;;) {
    const Probe p = wait_message(t, kAnyTag);
    if (p.tag == kTagEndText) break;
    if (p.tag != kTagText) {
      discard_message(p);
      continue;
    }
    const int got = recv_text(buf, kTransferBytes, t, kTagText);
    const std::int32_t zero = 0;
    send_ints(&zero, 1, t, kTagAck);
    if (got > 1) out.write(buf, ix(got - 1));
  }
  std::int32_t end = 0;
  recv_ints(&end, 1, t, kTagEndText);
  ctx.run_status |= static_cast<Status>(end);
}

}  // namespace

void merge_secondary_files(TaskContext& ctx) noexcept {
  const bool copy_mode = ctx.set.secondary_mode == SecondaryFiles::kCopy && ctx.set.diag_level > 1;
  // A copy needs the transfer buffer on every task, the result file on the
  // root task and the secondary file on every secondary task.
  const bool ready = !ctx.transfer.empty() && ctx.files.output.open();
  const bool all_ready = agree_or(ready ? 0u : 1u) == 0;
  const bool copy = copy_mode && all_ready;

  if (ctx.is_root()) {
    if (!copy) return;
    for (int t = 1; t < ctx.tasks; ++t) copy_file(ctx, t);
    ctx.files.output.put("\n");
    return;
  }
  if (!ctx.files.output.open()) return;
  // A secondary file that is not a regular file (a device, a FIFO) is
  // neither copied nor removed: it sends only its end of text.
  const long long size = regular_size(ctx.files.output.file);
  if (copy) send_file(ctx, size < 0 ? 0 : size);
  (void)ctx.files.output.close();
  if (size >= 0 && ctx.set.secondary_mode != SecondaryFiles::kSave) std::remove(ctx.files.output_name);
}
