// run_background.hpp: the letter frequencies of a -BG1 run, for the export.
//
// Under -BG1 korvax weighs every letter by its information under the data
// portion's own frequencies and writes the weights (quarter bits) into the
// parameters line. The export measures the signal against those frequencies:
// counted from the input as korvax counts them (then they must give the
// weights the file shows), or, without the input, read back from the weights
// as 2^(-w/4), scaled to sum 1 (within the weights' rounding).
#pragma once

#include <string>
#include <vector>

#include "motif.hpp"
#include "status.hpp"
#include "../result_file/result_file.hpp"

// True when a portion among `numbers` (1-based) of run was searched with -BG1.
[[nodiscard]] bool run_weighed(const ResultRun& run, const std::vector<int>& numbers) noexcept;

// The frequencies (in the order of abc) of the portions `numbers` of run,
// pooled: from the input at path when it is given (non-null), else from
// the weights, the mean over the portions. ret_source: "run_input" or
// "run_weights". Returns 0; ERDATA when the input's weights differ from a
// portion's (err names both); ERIO when the input cannot be read; ERMEM.
[[nodiscard]] Status run_frequencies(const ResultRun& run, const std::vector<int>& numbers, const char* path,
                                     const MotifAlphabet& abc, std::vector<double>& ret,
                                     std::string& ret_source, std::string& err) noexcept;
