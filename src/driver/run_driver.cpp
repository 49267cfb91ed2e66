// run_driver.cpp: start-up, the loop over data portions, and shutdown.
//
// Contents
//   1. Start-up: the number of tasks
//   2. One data portion: derivation, announcement, skip, hints, the loop
//   3. Shutdown
//   4. The exit status and the run itself
//
// Every line of the task's own file goes through ctx.files.output (an Out),
// and every flush of it here adds a failure to the run status.
//
// Tasks decide by themselves whether to process, skip or leave, but they
// agree before acting: after every read each task offers its wish, and one
// OR over all tasks decides for everyone (see docs/decisions.md).
#include "run_driver.hpp"

#include <climits>
#include <cstdio>

#include "messages.hpp"
#include "report_layout.hpp"
#include "word_index.hpp"
#include "mpi_link.hpp"
#include "mpi_port.hpp"
#include "serve.hpp"
#include "root_portion.hpp"
#include "secondary_files.hpp"
#include "../config/cmdline.hpp"
#include "../input/reader.hpp"
#include "../proximity/background.hpp"
#include "../result_file/report_writer.hpp"
#include "../scheduler/plist.hpp"

namespace {

// Wishes offered at the agreement after each read.
constexpr Status kWishSkip = 0x1;  // this portion is unusable here
constexpr Status kWishEnd = 0x2;   // input exhausted, or this task leaves the run

// ---- 1. Start-up ----

// The number of tasks, into the output file and on the console.
void announce_tasks(TaskContext& ctx) noexcept {
  Out& out = ctx.files.output;
  if (ctx.set.diag_level != 0 && out.open()) {
    out.print(kTasksLine, ctx.task, ctx.tasks - 1);
    ctx.run_status |= out.flush();
  }
  if (ctx.is_root() && ctx.set.console_level != 0)
    std::printf("Number of parallel tasks: 1+%d\n", ctx.tasks - 1);
}

// ---- 2. One data portion ----

// The per-portion mincover and pairs, from the settings (which stay as parsed;
// the reader derived the portion's threshold and -BG1 weights into dp.derived).
void derive_portion_settings(TaskContext& ctx) noexcept {
  const DataPortion& dp = ctx.dp;
  ctx.root.mincover = portion_mincover(dp, ctx.set.mincover);
  ctx.pairs = ctx.set.pairs >= dp.n ? dp.n - 1 : ctx.set.pairs;
}

// The job line, the parameters lines and the sequence list.
void announce_portion(TaskContext& ctx) noexcept {
  const Settings& s = ctx.set;
  const DataPortion& dp = ctx.dp;
  if (ctx.is_root() && s.console_level != 0) {
    std::printf("Job accepted (n=%d m<=%d l=%d l2=%d", dp.n, dp.m, s.l, s.l2);
    if (s.motif_given) std::printf(" leff=%d", s.leff);
    if (s.motif2_given) std::printf(" leff2=%d", s.leff2);
    std::printf(")\n");
  }
  Out& out = ctx.files.output;
  if (!out.open()) return;
  if (s.diag_level != 0) {
    write_parameters(out, s, dp, ctx.pairs, ctx.root.mincover);
    ctx.run_status |= out.flush();
  }
  if (s.diag_level > 1) {
    out.put(kSequencesTitle);
    for (int i = 0; i < dp.stored(); ++i)
      out.print(kSequenceLine, i + 1, dp.name_width, dp.name_width, dp.name_of(i), dp.seq_of(i));
    out.put("\n");
    ctx.run_status |= out.flush();
  }
}

// The portion is skipped by every task.
void skip_portion(TaskContext& ctx) noexcept {
  ctx.run_status |= ERDATA;
  if (ctx.set.diag_level != 0 && ctx.files.output.open()) {
    ctx.files.output.print(kSkipped, ctx.task);
    ctx.run_status |= ctx.files.output.flush();
  }
}

// Hints for the user on standard error (root task only; the console and the
// files stay as they are): the look of a wrapped FASTA file, and why a
// portion is skipped.
void hint_portion(const TaskContext& ctx, int number, bool skipped) noexcept {
  if (!ctx.is_root()) return;
  if (ctx.dp.wrapped_lines > 0)
    std::fprintf(stderr,
                 "korvax: data portion %d: %d sequence lines follow another sequence line, as "
                 "in a FASTA file wrapped over several lines, and korvax reads every line as "
                 "one whole sequence (n=%d); korvax-prep makes such a file into korvax input\n",
                 number, ctx.dp.wrapped_lines, ctx.dp.n);
  const Settings& s = ctx.set;
  for (int i = 0; i < ctx.dp.stored() && s.mask_lower; ++i) {
    bool any = false;
    for (int w = 0; w < ctx.dp.mw && !any; ++w) any = word_usable(ctx.dp, s, i, w);
    if (!any && ctx.dp.masked_of(i) != nullptr)
      std::fprintf(stderr,
                   "korvax: data portion %d: -K: sequence %d '%s' has no word without a masked "
                   "(lower-case) letter: it can take no word\n",
                   number, i + 1, ctx.dp.name_of(i));
  }
  if (s.mask_lower && s.console_level > 1 && ctx.dp.masked_letters == 0)
    std::printf("-K: no letter is masked (no lower-case letter in the data portion)\n");
  if (!skipped) return;
  char why[512];
  describe_fault(ctx.dp, ctx.set, why, sizeof why);
  if (why[0] == '\0')
    std::snprintf(
        why, sizeof why, "%s",
        (ctx.run_status & ERMEM) != 0 ? "not enough memory to hold it" : "a task could not read it");
  std::fprintf(stderr, "korvax: data portion %d skipped: %s\n", number, why);
}

// The loop over data portions. Returns when the input is exhausted or a task
// leaves the run.
void portion_loop(TaskContext& ctx) noexcept {
  bool leaving = false;
  for (int number = 1;; ++number) {
    // Release what the previous portion left.
    clear_portion(ctx.dp);
    ctx.matrix.reset();
    free_portion(ctx);
    ctx.portion_start = wall_time();

    // Read the next portion; all tasks agree on what to do with it.
    Status wish = kWishEnd;
    if (!leaving) {
      const Status pst = read_portion(ctx.files.input, ctx.set, ctx.dp, ctx.run_status);
      if (ctx.dp.n == 0 && (pst & EODATA) != 0)
        wish = kWishEnd;
      else
        wish = (pst & ERDATA) != 0 || (ctx.run_status & ERMEM) != 0 ? kWishSkip : 0;
    }
    wish = agree_or(wish);
    if ((wish & kWishEnd) != 0) return;

    derive_portion_settings(ctx);
    announce_portion(ctx);
    hint_portion(ctx, number, (wish & kWishSkip) != 0);
    if ((wish & kWishSkip) != 0) {
      skip_portion(ctx);
      continue;
    }
    if (ctx.is_root()) {
      leaving = root_portion(ctx);
    } else {
      MpiServePort port;
      const Status st = serve_portion(ctx, port);
      ctx.run_status |= st;  // the stop message replaced the run status
      leaving = st != 0;
    }
  }
}

// ---- 3. Shutdown ----

void shutdown(TaskContext& ctx) noexcept {
  barrier();
  clear_portion(ctx.dp);
  ctx.matrix.reset();
  free_portion(ctx);
  if (ctx.files.input != nullptr) {
    if (std::fclose(ctx.files.input) != 0) ctx.run_status |= ERIO;
    ctx.files.input = nullptr;
  }
  Out& out = ctx.files.output;
  if (!ctx.is_root() && out.open()) {
    ctx.run_status |= out.flush();  // what is still buffered is read back by the merge
    std::rewind(out.file);
  }
  if (table_alloc(ctx.transfer, kTransferBytes) != 0) ctx.run_status |= ERMEM;
  barrier();
  if ((ctx.run_status & HELP) == 0 && ctx.set.secondary_mode != SecondaryFiles::kSave)
    merge_secondary_files(ctx);
  // The last meeting also brings the root task what went wrong on a secondary
  // task that it has not heard of (a failed flush after the stop message, a
  // read error, no memory for a sequence): it says so, and the run status,
  // the "Global RC" line and the exit code hold it.
  const Status others = agree_or(ctx.is_root() ? 0 : ctx.run_status);
  if (ctx.is_root()) {
    const Status unheard = others & ~ctx.run_status & ~HELP;
    if (unheard != 0) std::fprintf(stderr, "Error %d in a secondary task\n", static_cast<int>(unheard));
    ctx.run_status |= others;
  }
  ctx.last_event = wall_time();
  const int secs = static_cast<int>(ctx.last_event - ctx.run_start);
  if (ctx.is_root()) {
    if ((ctx.run_status & HELP) == 0) {
      if (out.open() && ctx.set.diag_level != 0) {
        out.print(kGlobalRc, static_cast<int>(ctx.run_status), secs);
        ctx.run_status |= out.flush();
      }
      if (ctx.set.console_level != 0)
        std::printf("Global RC:%s  (time: %d sec)\n\n", status_word(ctx.run_status), secs);
    }
    ctx.run_status |= out.close();
    std::printf("Thank you for using the program.\n\n");
    std::fflush(stdout);
  }
  ctx.run_status |= ctx.files.history.close();
  (void)out.close();  // a secondary file kept with -Z S
}

}  // namespace

// ---- 4. The exit status and the run itself ----

void free_portion(TaskContext& ctx) noexcept { free_root_portion(ctx.root); }

int exit_status(Status run_status) noexcept {
  constexpr Status kLow = 0xFF;
  return static_cast<int>(run_status <= kLow ? run_status : (run_status & kLow) | EDEBUG);
}

Status run_korvax(int argc, char** argv) noexcept {
  TaskContext ctx;
  mpi_start(&argc, &argv, ctx.task, ctx.tasks);
  ctx.run_start = wall_time();
  ctx.last_event = ctx.run_start;
  ctx.coin_stream = coin_stream_fresh(ctx.task);
  ctx.coin = coin_of_stream(ctx.coin_stream);
  if (ctx.is_root()) std::setvbuf(stdout, nullptr, _IOLBF, 0);

  if (ctx.tasks < 2) {
    if (ctx.is_root()) std::printf("\nThe algorithm needs at least 2 tasks!\n\n");
    ctx.run_status |= ERMPI;
  } else {
    if (ctx.is_root()) std::printf("\nkorvax %s: common signal search in sets of sequences\n\n", kVersion);
    barrier();
    Status st = 0;
    if (argc > 1) {
      st = parse_command_line(argc, argv, ctx.task, ctx.set, ctx.files);
    } else {  // no argument at all: show the help, as -H does
      if (ctx.is_root()) print_help(stdout);
      st = HELP;
    }
    // A task whose parse failed (a file only it cannot open) ends the run
    // for all tasks, so that none waits for it.
    ctx.run_status |= agree_or(st);
    if (ctx.run_status == 0) {
      // -SEED: every task's coin reads the stream of its seed and task number.
      if (ctx.set.seed >= 0)
        ctx.coin_stream = coin_stream_seeded(static_cast<unsigned>(ctx.set.seed), ctx.task);
      announce_tasks(ctx);
      portion_loop(ctx);
    }
  }
  shutdown(ctx);
  const Status rc = ctx.run_status;
  mpi_stop();
  return rc;
}
