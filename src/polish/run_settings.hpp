// run_settings.hpp: the settings of the korvax run that wrote a result file.
//
// korvax writes its parameters lines at -D1 and above (word lengths, motifs
// with their bonus and penalty, spacings with their penalties) and the echo
// of its arguments at -D2 and above (every option). The conservation bonuses
// (-BA, -BC, -BX) and the alphabet (-ACID) are in the echo only.
#pragma once

#include <string>
#include <vector>

#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "../result_file/result_file.hpp"

struct RunSettings {
  Settings set;
  bool from_echo = false;  // replayed from the echo of korvax's arguments
  bool shown_all = false;  // every setting of the measure shown by the file (the echo)
};

// The settings of run: replayed from the echo of its arguments when there is
// one, else korvax's defaults with the values of its parameters lines and the
// alphabet told by the letters; then the options of `with` applied as korvax
// applies them, and the derived settings made. Returns 0; ERDATA when the run
// has no parameters lines (-D0); ERARG when korvax would refuse an option of
// `with` or the settings they make; err says which.
[[nodiscard]] Status run_settings(const ResultRun& run, const std::vector<std::string>& with,
                                  RunSettings& ret, std::string& err) noexcept;

// Checks that dp, read with s, is the data portion of the parameters lines p
// and that s holds the values those lines show. Returns 0 or ERDATA, with err
// naming the first difference.
[[nodiscard]] Status check_portion(const PortionParams& p, const Settings& s, const DataPortion& dp,
                                   std::string& err) noexcept;
