// fuzz_reader.cpp: the data portion reader, fed random input files.
//
// The first two bytes choose the settings (word lengths, spacings, alphabet,
// name width limit); the rest is the input file. Every portion is read until
// the end of the input, and compared with a plain model of the format: the
// input cut into pieces of at most 4097 characters, each ending after a line
// feed, a piece's line end removed. The model gives each portion's count of
// sequences and every stored sequence's length (its characters but for
// "-_="); a usable portion must hold 2..256 sequences of alphabet letters.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "check.hpp"
#include "input/reader.hpp"

namespace {

struct ModelPortion {
  int n = 0;
  std::vector<int> len;  // of the first 256 sequences
};

// The portions of text as the format defines them.
std::vector<ModelPortion> model(std::string_view text) {
  std::vector<ModelPortion> out(1);
  while (!text.empty()) {
    std::size_t cut = text.find('\n');
    cut = cut == std::string_view::npos ? text.size() : cut + 1;
    if (cut > 4097) cut = 4097;
    std::string_view piece = text.substr(0, cut);
    text.remove_prefix(cut);
    if (piece.size() <= 4096)
      for (int k = 0; k < 2 && !piece.empty() && (piece.back() == '\n' || piece.back() == '\r'); ++k)
        piece.remove_suffix(1);
    if (piece.empty()) {
      if (out.back().n > 0) out.emplace_back();
      continue;
    }
    if (std::string_view("<> #@%$()[];,.^'/").find(piece[0]) != std::string_view::npos) continue;
    ModelPortion& p = out.back();
    if (p.n < kMaxSeqs) {
      int kept = 0;
      for (char c : piece) kept += c != '-' && c != '_' && c != '=';
      p.len.push_back(kept);
    }
    ++p.n;
  }
  if (out.back().n == 0) out.pop_back();
  return out;
}

Settings settings_from(std::uint8_t a, std::uint8_t b) {
  Settings s;
  s.l = 1 + a % kMaxWordLen;
  s.acid = (b & 1) != 0;
  s.l2 = (b & 2) != 0 ? 1 + (a >> 6) * 5 : 0;
  s.smin = (b >> 2) & 7;
  s.smax = s.smin + ((b >> 5) & 3);
  s.S = s.smax - s.smin + 1;
  s.name_width_limit = (b & 0x80) != 0 ? -20000000 : (a >> 4) & 3;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const Settings set = settings_from(data[0], data[1]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (in == nullptr) return 0;
  const std::vector<ModelPortion> want = model(text);
  const char* alphabet = set.acid ? "acdefghiklmnpqrstvwy" : "actg";
  DataPortion dp;
  Status run = 0;
  for (std::size_t k = 0;; ++k) {
    const Status st = read_portion(in, set, dp, run);
    FUZZ_CHECK(run == 0);
    if (dp.n == 0) {
      FUZZ_CHECK((st & EODATA) != 0 && k == want.size());
      break;
    }
    FUZZ_CHECK(k < want.size() && dp.n == want[k].n && dp.stored() == static_cast<int>(want[k].len.size()));
    int m = 0;
    for (int i = 0; i < dp.stored(); ++i) {
      const auto u = static_cast<std::size_t>(i);
      FUZZ_CHECK(dp.len[u] == want[k].len[u] && dp.seq[u].n == static_cast<std::size_t>(dp.len[u]) + 1);
      m = dp.len[u] > m ? dp.len[u] : m;
      const char* seq = dp.seq_of(i);
      if ((st & ERDATA) == 0)
        for (int j = 0; j < dp.len[u]; ++j)
          FUZZ_CHECK(seq[j] != '\0' && std::strchr(alphabet, seq[j]) != nullptr);
    }
    FUZZ_CHECK(dp.name_width >= 0 && dp.m >= m);
    if (dp.n <= kMaxSeqs) FUZZ_CHECK(dp.m == m);  // beyond, m counts sequences not stored
    if (set.name_width_limit > 0) FUZZ_CHECK(dp.name_width <= set.name_width_limit);
    if ((st & ERDATA) == 0) FUZZ_CHECK(dp.n >= 2 && dp.n <= kMaxSeqs && dp.mw >= 1 && dp.mw <= kMaxWordIndex);
  }
  std::fclose(in);
  return 0;
}
