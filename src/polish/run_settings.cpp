// run_settings.cpp: the run's settings from its result file.
#include "run_settings.hpp"

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <new>

#include "../config/cmdline.hpp"
#include "alloc_guard.hpp"

namespace {

// Copies a motif of the parameters lines into a settings field.
bool take_motif(const std::string& from, char* to, bool& given) {
  if (from.size() > ix(kMaxWordLen)) return false;
  std::memcpy(to, from.c_str(), from.size() + 1);
  given = true;
  return true;
}

// Korvax's defaults with what the parameters lines p show.
bool from_params(const PortionParams& p, Settings& s) {
  s.l = p.l;
  s.l2 = p.l2;
  s.threshold = p.threshold;
  s.aftermax = p.aftermax;
  s.both_strands = p.both_strands;
  s.mask_lower = p.mask_lower;
  s.background = p.background;  // the weights come from the input (derive_portion), checked against p
  if (p.motif_given && !take_motif(p.motif, s.motif, s.motif_given)) return false;
  if (p.motif2_given && !take_motif(p.motif2, s.motif2, s.motif2_given)) return false;
  if (p.bonus_given) {
    s.a_bonus = p.a_bonus;
    s.a_penalty = p.a_penalty;
  }
  if (p.spacing_given) {
    s.smin = p.smin;
    s.smax = p.smax;
    std::string pen;
    for (std::size_t k = 0; k < p.penalty.size(); ++k)
      pen += (k == 0 ? "" : ",") + std::to_string(p.penalty[k]);
    if (pen.size() > ix(kMaxPenText)) return false;
    std::memcpy(s.pen_text, pen.c_str(), pen.size() + 1);
  }
  return true;
}

std::string differs(const char* what, const std::string& file, const std::string& used) {
  return std::string(what) + " is " + file + " in the result file but " + used + " in the settings used";
}

Status check(const PortionParams& p, const Settings& s, const DataPortion& dp, std::string& err) {
  const auto num = [](int v) { return std::to_string(v); };
  const auto motif = [](bool given, const char* m) { return given ? "'" + std::string(m) + "'" : "none"; };
  const auto motif_of = [](bool given, const std::string& m) { return given ? "'" + m + "'" : "none"; };
  if (p.l != s.l)
    err = differs("l", num(p.l), num(s.l));
  else if (p.l2 != s.l2)
    err = differs("l2", num(p.l2), num(s.l2));
  else if (p.motif_given != s.motif_given || (p.motif_given && p.motif != s.motif))
    err = differs("the motif", motif_of(p.motif_given, p.motif), motif(s.motif_given, s.motif));
  else if (p.motif2_given != s.motif2_given || (p.motif2_given && p.motif2 != s.motif2))
    err = differs("the second motif", motif_of(p.motif2_given, p.motif2), motif(s.motif2_given, s.motif2));
  else if (p.bonus_given && (p.a_bonus != s.a_bonus || p.a_penalty != s.a_penalty))
    err = differs("a-bonus/A-penalty", num(p.a_bonus) + "/" + num(p.a_penalty),
                  num(s.a_bonus) + "/" + num(s.a_penalty));
  else if (s.l2 != 0 && (p.smin != s.smin || p.smax != s.smax))
    err = differs("the spacing", num(p.smin) + ".." + num(p.smax), num(s.smin) + ".." + num(s.smax));
  else if (s.l2 != 0 &&
           (p.penalty.size() != ix(s.S) || !std::equal(p.penalty.begin(), p.penalty.end(), s.penalty.data())))
    err = differs("the spacing penalty list", "another", "another");
  else if (p.background != s.background)
    err = differs("the background (-BG)", num(p.background), num(s.background));
  if (!err.empty()) return ERDATA;
  const int* derived = dp.derived.bg_weight;
  if (s.background == 1 && !std::equal(std::begin(p.bg_weight), std::end(p.bg_weight), derived)) {
    err = "the input's letter weights " + letter_weights_text(derived, s.acid) + " differ from the run's " +
          letter_weights_text(p.bg_weight, s.acid) + " (the input of another run?)";
    return ERDATA;
  }
  if (p.n != dp.n || p.m != dp.m || p.mw != dp.mw) {
    err = "the input does not match the result: its data portion has n=" + num(dp.n) + " m<=" + num(dp.m) +
          " mw<=" + num(dp.mw) + ", the parameters line n=" + num(p.n) + " m<=" + num(p.m) +
          " mw<=" + num(p.mw);
    return ERDATA;
  }
  return 0;
}

// A setting of the run that --with must not change: its name and value.
struct Shown {
  const char* name;
  std::string value;
};

std::vector<Shown> shown_settings(const Settings& s) {
  const auto num = [](int v) { return std::to_string(v); };
  return {{"-L", num(s.l)},
          {"-LL", num(s.l2)},
          {"-T", num(s.threshold)},
          {"-ACID", s.acid ? "given" : "not given"},
          {"-BA", num(s.ba)},
          {"-BC", num(s.bc)},
          {"-BX", num(s.bx)},
          {"-M", s.motif_given ? "'" + std::string(s.motif) + "'" : "none"},
          {"-MM", s.motif2_given ? "'" + std::string(s.motif2) + "'" : "none"},
          {"-MB", num(s.a_bonus)},
          {"-MP", num(s.a_penalty)},
          {"-N", num(s.name_width_limit)},
          {"-SMIN", num(s.smin)},
          {"-SMAX", num(s.smax)},
          {"-SPEN", s.pen_text},
          {"-I", num(s.aftermax)},
          {"-BG", num(s.background)}};
}

// The first setting of the echo that `with` changes; "" when none.
std::string contradiction(const Settings& echo, const Settings& with) {
  const std::vector<Shown> a = shown_settings(echo), b = shown_settings(with);
  for (std::size_t k = 0; k < a.size(); ++k)
    if (a[k].value != b[k].value)
      return std::string(a[k].name) + " is " + a[k].value +
             " in the echo of the run's arguments in the result file but " + b[k].value + " with --with";
  return "";
}

Status settings_of(const ResultRun& run, const std::vector<std::string>& with, RunSettings& ret,
                   std::string& err) {
  const PortionParams* params = nullptr;
  for (const ResultPortion& p : run.portions)
    if (p.params.known && params == nullptr) params = &p.params;
  if (params == nullptr) {
    err =
        "the result file has no parameters lines (korvax writes them from -D1 on, its default): "
        "its word lengths, motifs and spacings are not known";
    return ERDATA;
  }
  // What the file shows must make settings korvax takes: a bad file otherwise.
  const auto from_file = [&](Settings& set) {
    if (run.settings_known) {
      (void)apply_arguments(run.arguments, 1, set);
      return true;
    }
    set.acid = run.acid;
    return from_params(*params, set);
  };
  RunSettings r;
  r.from_echo = run.settings_known;
  r.shown_all = run.settings_known;
  Settings shown;
  if (!from_file(shown) || !from_file(r.set)) {
    err = "a motif or the spacing penalty list of the parameters lines is longer than korvax takes";
    return ERDATA;
  }
  if (derive_settings(shown) != 0) {
    err =
        "korvax refuses the settings that the result file shows (a motif that does not fit its word, or "
        "too few spacing penalties): a damaged file?";
    return ERDATA;
  }
  std::string refused;
  if (!apply_arguments(with, 0, r.set, &refused)) {
    err = "--with: korvax refuses the option " + refused;
    return ERARG;
  }
  if (derive_settings(r.set) != 0) {
    err =
        "korvax refuses these settings with --with (a motif that does not fit its word, or too few spacing "
        "penalties)";
    return ERARG;
  }
  if (run.settings_known) {
    err = contradiction(shown, r.set);
    if (!err.empty()) return ERDATA;
  }
  r.set.diag_level = 0;  // nothing of the measure writes
  ret = std::move(r);
  return 0;
}

}  // namespace

Status run_settings(const ResultRun& run, const std::vector<std::string>& with, RunSettings& ret,
                    std::string& err) noexcept {
  return guard_alloc(err, [&] { return settings_of(run, with, ret, err); });
}

Status check_portion(const PortionParams& p, const Settings& s, const DataPortion& dp,
                     std::string& err) noexcept {
  return guard_alloc(err, [&] { return check(p, s, dp, err); });
}
