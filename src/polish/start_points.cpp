// start_points.cpp: reported results and history rows as measured signals.
#include "start_points.hpp"

#include <algorithm>
#include <new>
#include <set>

#include "messages.hpp"
#include "report_layout.hpp"
#include "word_index.hpp"
#include "alloc_guard.hpp"

namespace {

std::string hundredths(int v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v * 0.01);
  return buf;
}

// The word index of a printed word of sequence i, or -1 when the word is not
// the input's or cannot be a word of the run. No word gives mw.
// With both strands (-RC) the starts carry their strand (0 without).
int word_index_of(const SearchEnv& env, int i, bool has_word, int start, int start2, char strand, int spacing,
                  const std::string& word, const std::string& word2) {
  const Settings& s = *env.set;
  const DataPortion& dp = *env.dp;
  if (!has_word) return dp.mw;
  if ((strand != 0) != s.both_strands) return -1;
  const int strand_len = dp.strand_len[ix(i)];
  const long long q = s.both_strands ? strand_index(start, strand, s.l, strand_len) : start - 1LL;
  long long w = q;
  if (s.l2 != 0) {
    const long long q2 = s.both_strands ? strand_index(start2, strand, s.l2, strand_len) : start2 - 1LL;
    if (spacing < s.smin || spacing > s.smax || q2 != q + s.l + spacing) return -1;
    w = q * s.S + spacing - s.smin;
  }
  if (q < 0 || w >= dp.mw) return -1;
  const int index = static_cast<int>(w);  // within 0 .. mw - 1 now
  if (!word_usable(dp, s, i, index)) return -1;
  const std::string text = dp.seq_of(i);
  const WordPlace pl = decode_word(index, s.l, s.l2, s.smin, s.S);
  if (text.compare(ix(pl.q), ix(s.l), word) != 0) return -1;
  if (s.l2 != 0 && text.compare(ix(pl.p2), ix(s.l2), word2) != 0) return -1;
  return index;
}

// The printed values against the measure; "" when they agree.
std::string disagreement(const Measure& m, int quality, int power, int avg, const std::vector<int>& sums) {
  if (m.quality != quality)
    return "its quality measures " + hundredths(m.quality) + ", the file says " + hundredths(quality);
  if (m.power != power || m.avg_proximity != avg)
    return "its power and avg proximity measure " + std::to_string(m.power) + " and " +
           hundredths(m.avg_proximity) + ", the file says " + std::to_string(power) + " and " +
           hundredths(avg);
  for (std::size_t i = 0; i < sums.size(); ++i)
    if (m.prox_sums[i] != sums[i])
      return "the proximity sum of sequence " + std::to_string(i + 1) + " measures " +
             std::to_string(m.prox_sums[i]) + ", the file says " + std::to_string(sums[i]);
  return "";
}

bool holds(const std::vector<StartSignal>& starts, const Words& w) {
  return std::any_of(starts.begin(), starts.end(), [&](const StartSignal& s) { return s.words == w; });
}

// The input's name as the file prints it: cut to W, blanks after it removed.
std::string cut_name(const char* name, int W) {
  std::string s = std::string(name).substr(0, ix(W));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

Status reported(const ResultPortion& p, const SearchEnv& env, const std::string& hint,
                std::vector<StartSignal>& ret, std::string& err) {
  const DataPortion& dp = *env.dp;
  for (const ReportedResult& r : p.results) {
    const std::string at = "line " + std::to_string(r.line) + ": ";
    if (r.words.size() != ix(dp.n)) {
      err = at + "a reported result does not show one line per sequence of the input's data portion";
      return ERDATA;
    }
    StartSignal s;
    std::vector<int> sums;
    for (int i = 0; i < dp.n; ++i) {
      const ReportedWord& w = r.words[ix(i)];
      const int word =
          word_index_of(env, i, w.has_word, w.start, w.start2, w.strand, w.spacing, w.word, w.word2);
      if (w.seq != i + 1 || word < 0 || w.name != cut_name(dp.name_of(i), dp.name_width)) {
        err = at + "sequence " + std::to_string(i + 1) + " of a reported result is not the input's " +
              "(its name, word or place differs)";
        return ERDATA;
      }
      s.words.push_back(word);
      sums.push_back(w.has_word ? w.prox_sum : 0);
    }
    if (Status st = measure_words(env, s.words, s.measure); st != 0) return st;
    const std::string differs = disagreement(s.measure, r.quality, r.power, r.avg_proximity, sums);
    char title[160];
    std::snprintf(title, sizeof title, "best %s result #%d [%d/%d]",
                  r.ranking == Ranking::quality ? kKindQuality : kKindAvgProximity, r.place, r.serial,
                  r.sent);
    if (!differs.empty()) {
      err =
          at + "the " + title + " is not what korvax's measure gives with these settings: " + differs + hint;
      return ERDATA;
    }
    s.origin = title;
    s.serial = r.serial;
    if (!holds(ret, s.words)) ret.push_back(std::move(s));
  }
  return 0;
}

Status from_history(const HistoryPortion& h, int rows, const SearchEnv& env, const std::string& hint,
                    std::vector<StartSignal>& ret, std::string& err) {
  const DataPortion& dp = *env.dp;
  const int W = h.names.empty() ? 0 : static_cast<int>(h.names[0].size());
  bool names = h.names.size() == ix(dp.n);
  for (int i = 0; names && i < dp.n; ++i) {
    char padded[kMaxLine + 8];
    std::snprintf(padded, sizeof padded, "%-*.*s", W, W, dp.name_of(i));
    names = h.names[ix(i)] == padded;
  }
  if (!names) {
    err = "line " + std::to_string(h.line) + ": the history's sequences are not the input's data portion";
    return ERDATA;
  }
  std::vector<const HistoryRow*> order;
  for (const HistoryRow& r : h.rows) order.push_back(&r);
  std::stable_sort(order.begin(), order.end(),
                   [](const HistoryRow* a, const HistoryRow* b) { return a->quality > b->quality; });
  std::set<Words> taken;
  for (const HistoryRow* r : order) {
    if (static_cast<int>(taken.size()) >= rows) break;
    const std::string at = "line " + std::to_string(r->line) + ": ";
    StartSignal s;
    std::vector<int> sums;
    for (int i = 0; i < dp.n; ++i) {
      const HistoryWord& w = r->words[ix(i)];
      const int word =
          word_index_of(env, i, w.has_word, w.start, w.start2, w.strand, w.spacing, w.word, w.word2);
      if (word < 0) {
        err = at + "the word of sequence " + std::to_string(i + 1) + " of a history row is not the input's";
        return ERDATA;
      }
      s.words.push_back(word);
      sums.push_back(w.prox_sum);
    }
    if (!taken.insert(s.words).second) continue;
    if (Status st = measure_words(env, s.words, s.measure); st != 0) return st;
    const std::string differs = disagreement(s.measure, r->quality, r->power, r->avg_proximity, sums);
    if (!differs.empty()) {
      err = at + "a history row is not what korvax's measure gives with these settings: " + differs + hint;
      return ERDATA;
    }
    s.origin = "the history row of permutation " + std::to_string(r->serial) + " (line " +
               std::to_string(r->line) + ")";
    s.serial = r->serial;
    if (!holds(ret, s.words)) ret.push_back(std::move(s));
  }
  return 0;
}

}  // namespace

Status measure_words(const SearchEnv& env, const Words& words, Measure& ret) noexcept {
  try {
    const int n = env.dp->n;
    const ResultLayout lay{n};
    std::vector<std::int32_t> msg(ix(lay.count()), 0);
    std::copy(words.begin(), words.end(), msg.begin() + lay.words());
    measure_signal(env, msg.data());
    ret.quality = msg[ix(lay.quality())];
    ret.power = msg[ix(lay.power())];
    ret.avg_proximity = msg[ix(lay.avg_proximity())];
    ret.prox_sums.assign(msg.begin() + lay.prox_sums(), msg.begin() + lay.prox_sums() + n);
    return 0;
  } catch (const std::bad_alloc&) {
    return ERMEM;
  }
}

Status reported_starts(const ResultPortion& p, const SearchEnv& env, const std::string& hint,
                       std::vector<StartSignal>& ret, std::string& err) noexcept {
  return guard_alloc(err, [&] { return reported(p, env, hint, ret, err); });
}

Status history_starts(const HistoryPortion& h, int rows, const SearchEnv& env, const std::string& hint,
                      std::vector<StartSignal>& ret, std::string& err) noexcept {
  return guard_alloc(err, [&] { return from_history(h, rows, env, hint, ret, err); });
}
