// run_lines.cpp: the echo of the arguments read back, and the options it
// shows replayed into the run's settings as korvax parsed them.
#include "result_reading.hpp"

#include "../config/cmdline.hpp"

namespace result_reading {

// `N: "text"` of the echo; the program line ends in `"   [v.x]`.
bool parse_echo_line(const std::string& line, std::vector<std::string>& args) {
  int index = 0, consumed = 0;
  if (std::sscanf(line.c_str(), "%d: \"%n", &index, &consumed) != 1 || consumed == 0) return false;
  if (index != static_cast<int>(args.size())) return false;
  const std::size_t close = index == 0 ? line.rfind("\"   [v.") : line.rfind('"');
  if (close == std::string::npos || close < ix(consumed)) return false;
  args.push_back(line.substr(ix(consumed), close - ix(consumed)));
  return true;
}

// Replays the echoed options into the run's settings, as korvax parsed them.
void replay_options(ResultRun& run) noexcept {
  run.settings = Settings{};
  (void)apply_arguments(run.arguments, 1, run.settings);
  (void)derive_settings(run.settings);
  run.settings_known = true;
  run.acid = run.settings.acid;
}

}  // namespace result_reading

bool apply_arguments(const std::vector<std::string>& args, std::size_t first, Settings& s,
                     std::string* ret_refused) noexcept {
  bool all = true;
  for (std::size_t i = first; i < args.size(); ++i) {
    const char* a = args[i].c_str();
    bool help = false;
    if ((a[0] == '-' || a[0] == '/') && (!apply_option(a, s, &help) || help) && all) {
      all = false;
      if (ret_refused != nullptr) *ret_refused = args[i];
    }
  }
  return all;
}
