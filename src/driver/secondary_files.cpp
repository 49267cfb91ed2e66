// secondary_files.cpp: copying the secondary files into the result file.
//
// Both sides agree, without a message, on whether a copy takes place: every
// task knows the mode, the level, and (through the agreement below) whether
// every task has what the copy needs, so that no task waits for a partner
// that will never send.
#include "secondary_files.hpp"

#include <cstdio>
#include <cstring>

#include "report_layout.hpp"

#include "messages.hpp"
#include "mpi_link.hpp"

namespace {

// Secondary side: sends each line (in pieces of at most kTransferBytes - 1
// characters), each answered by an acknowledgement, then the end of text.
void send_file(TaskContext& ctx) noexcept {
  std::int32_t ack = 0;
  char* buf = ctx.transfer.data();
  while (std::fgets(buf, kTransferBytes, ctx.files.output) != nullptr) {
    send_text(buf, static_cast<int>(std::strlen(buf)) + 1, 0, kTagText);
    (void)wait_message(0, kTagAck);
    recv_ints(&ack, 1, 0, kTagAck);
  }
  send_ints(&ack, 1, 0, kTagEndText);
}

// Root side: copies the text of task t until its end-of-text message. A
// message of any other tag (a stale one) is received and dropped.
void copy_file(TaskContext& ctx, int t) noexcept {
  std::FILE* out = ctx.files.output;
  std::fprintf(out, "\n%s\n", kSeparator);
  char* buf = ctx.transfer.data();
  for (;;) {
    const Probe p = wait_message(t, kAnyTag);
    if (p.tag == kTagEndText) break;
    if (p.tag != kTagText) {
      discard_message(p);
      continue;
    }
    recv_text(buf, kTransferBytes, t, kTagText);
    buf[kTransferBytes - 1] = '\0';
    const std::int32_t zero = 0;
    send_ints(&zero, 1, t, kTagAck);
    std::fputs(buf, out);
  }
  std::int32_t end = 0;
  recv_ints(&end, 1, t, kTagEndText);
  ctx.run_status |= static_cast<Status>(end);
}

}  // namespace

void merge_secondary_files(TaskContext& ctx) noexcept {
  const bool copy_mode = ctx.set.secondary_mode == 1 && ctx.set.diag_level > 1;
  // A copy needs the transfer buffer on every task, the result file on the
  // root task and the secondary file on every secondary task.
  const bool ready = !ctx.transfer.empty() && ctx.files.output != nullptr;
  const bool all_ready = agree_or(ready ? 0u : 1u) == 0;
  const bool copy = copy_mode && all_ready;

  if (ctx.is_root()) {
    if (!copy) return;
    for (int t = 1; t < ctx.tasks; ++t) copy_file(ctx, t);
    std::fputs("\n", ctx.files.output);
    return;
  }
  if (ctx.files.output == nullptr) return;
  if (copy) send_file(ctx);
  std::fclose(ctx.files.output);
  ctx.files.output = nullptr;
  if (ctx.set.secondary_mode == 0 || ctx.set.secondary_mode == 1) std::remove(ctx.files.output_name);
}
