// polished_file.cpp: writing the polished result file.
#include "polished_file.hpp"

#include <algorithm>
#include <iterator>
#include <new>

#include "perm_record.hpp"
#include "report_layout.hpp"
#include "word_index.hpp"
#include "../result_file/report_writer.hpp"

namespace {

std::string hundredths(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v * 0.01);
  return buf;
}

std::string signed_hundredths(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%+.2f", v * 0.01);
  return buf;
}

// A word as its place is printed in the report: [start] or [start;start2].
std::string place_of(const Settings& s, const DataPortion& dp, int w) {
  if (w == dp.mw) return "none";
  const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
  char buf[32];
  if (s.l2 == 0)
    std::snprintf(buf, sizeof buf, "%04d", w + 1);
  else
    std::snprintf(buf, sizeof buf, "%04d;%04d", pl.q + 1, pl.p2 + 1);
  return buf;
}

// "1 move", "2 moves".
std::string count(std::size_t k, const char* thing) {
  return std::to_string(k) + " " + thing + (k == 1 ? "" : "s");
}

// The signed shift with its sign: "+2", "-1".
std::string shift_text(int d) { return (d > 0 ? "+" : "") + std::to_string(d); }

// "quality 152.00 -> 186.82 (+34.82), from best quality result #1 [213/416] shifted by +2"
std::string rise(const PolishedPortion& p) {
  const int q = p.best.measure.quality;
  std::string text = "quality " + hundredths(p.run_best) + " -> " + hundredths(q) + " (" +
                     signed_hundredths(q - p.run_best) + "), from " + p.starts[ix(p.best.start)].origin;
  if (p.best.shift != 0) text += " shifted by " + shift_text(p.best.shift);
  return text;
}

void first_line(Out& out, const PolishedRun& run) {
  std::string line = "Polished by korvax-polish from " + run.result + " (input " + run.input +
                     (run.history.empty() ? "" : ", history " + run.history) + ")";
  const char* sep = ": ";
  for (const PolishedPortion& p : run.portions) {
    if (p.skipped || !p.not_polished.empty()) continue;
    line += sep + ("data portion " + std::to_string(p.number) + ": ") + rise(p);
    sep = "; ";
  }
  out.print("%s\n", line.c_str());
}

void portion_lines(Out& out, const Settings& s, const PolishedPortion& p) {
  const DataPortion& dp = *p.dp;
  const StartSignal& from = p.starts[ix(p.best.start)];
  const Measure& m = p.best.measure;
  out.print("Polished from %s (power: %d, quality: %s), shifted by %s, then %s: power %d, quality %s, %s "
               "over the run's best (%s); %s, %s\n",
               from.origin.c_str(), from.measure.power, hundredths(from.measure.quality).c_str(),
               shift_text(p.best.shift).c_str(), count(ix(p.best.moves), "move").c_str(), m.power,
               hundredths(m.quality).c_str(), signed_hundredths(m.quality - p.run_best).c_str(),
               hundredths(p.run_best).c_str(), count(p.starts.size(), "starting signal").c_str(),
               count(ix(p.best.climbs), "climb").c_str());
  std::string changed;
  for (int i = 0; i < dp.n; ++i) {
    const int a = from.words[ix(i)], b = p.best.words[ix(i)];
    if (a != b)
      changed += (changed.empty() ? " " : ", ") + std::to_string(i + 1) + ": " + place_of(s, dp, a) + " -> " +
                 place_of(s, dp, b);
  }
  out.print("Words changed from that signal:%s\n", changed.empty() ? " none" : changed.c_str());

  // The block, as korvax's report writes it.
  PermRecord r;
  const auto n = ix(dp.n);
  if (table_alloc(r.words, n) != 0 || table_alloc(r.prox_sums, n) != 0 || table_alloc(r.percents, n) != 0)
    throw std::bad_alloc();
  r.n = dp.n;
  r.serial = from.serial;
  r.quality = m.quality;
  r.power = m.power;
  r.avg_proximity = m.avg_proximity;
  for (std::size_t i = 0; i < n; ++i) {
    r.words[i] = p.best.words[i];
    r.prox_sums[i] = m.prox_sums[i];
    r.percents[i] = percent_of(m.prox_sums[i], m.power);
  }
  write_result_block(out, s, dp, kKindQuality, 1, p.sent, r, false);
}

void write(Out& out, const Settings& s, const PolishedRun& run) {
  first_line(out, run);
  if (!run.echo.empty()) {
    out.put(kEchoTitle);
    out.print(kEchoProgram, run.echo[0].c_str(), kVersion);
    for (std::size_t i = 1; i < run.echo.size(); ++i)
      out.print(kEchoArgument, static_cast<int>(i), run.echo[i].c_str());
    out.put("\n");
  }
  for (const PolishedPortion& p : run.portions) {
    if (p.skipped) {
      out.print(kSkipped, 0);
      continue;
    }
    write_parameters(out, s, *p.dp, p.pairs, p.mincover);
    if (!p.not_polished.empty())
      out.print("Not polished: %s\n\n", p.not_polished.c_str());
    else
      portion_lines(out, s, p);
  }
  // korvax's closing line, so that a cut polished file is told from a whole one.
  out.print(kGlobalRc, 0, 0);
}

}  // namespace

Status write_polished(std::FILE* out, const Settings& s, const PolishedRun& run) noexcept {
  try {
    Out o{out};
    write(o, s, run);
    return o.flush();
  } catch (const std::bad_alloc&) {
    return ERMEM;
  }
}

std::string portion_summary(const PolishedPortion& p) {
  const std::string head = "data portion " + std::to_string(p.number) + ": ";
  if (p.skipped) return head + "skipped by korvax, nothing to polish";
  if (!p.not_polished.empty()) return head + "not polished: " + p.not_polished;
  return head + rise(p) + ", then " + count(ix(p.best.moves), "move") + "; power " +
         std::to_string(p.best.measure.power) + "; " + count(p.starts.size(), "starting signal") +
         " (each measured as the run printed it), " + count(ix(p.best.climbs), "climb");
}
