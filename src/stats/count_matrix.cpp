// count_matrix.cpp: counts of the sites, and the weight matrix from them.
#include "count_matrix.hpp"

#include <cmath>

#include "alloc_guard.hpp"

Status count_words(const std::vector<std::string>& words, std::string_view letters,
                   CountMatrix& ret) noexcept {
  return guard_alloc([&]() -> Status {
    CountMatrix m;
    m.k = static_cast<int>(letters.size());
    m.width = words.empty() ? 0 : static_cast<int>(words[0].size());
    m.nsites = static_cast<int>(words.size());
    m.counts.assign(static_cast<std::size_t>(m.width * m.k), 0);
    for (const std::string& w : words) {
      if (static_cast<int>(w.size()) != m.width) return ERDATA;
      for (int col = 0; col < m.width; ++col) {
        const int a = letter_index(letters, w[static_cast<std::size_t>(col)]);
        if (a >= 0) ++m.counts[static_cast<std::size_t>(col * m.k + a)];
      }
    }
    ret = std::move(m);
    return 0;
  });
}

double llr_term(int n, int nsites, double p, double beta) noexcept {
  if (n == 0) return 0;
  return n * std::log((n + beta * p) / ((nsites + beta) * p));
}

Status build_pwm(const CountMatrix& m, const Background& bg, double beta, Pwm& ret) noexcept {
  if (static_cast<int>(bg.freq.size()) != m.k || m.nsites == 0 || (beta <= 0 && m.width > 0)) return ERDATA;
  return guard_alloc([&]() -> Status {
    Pwm w;
    w.width = m.width;
    w.k = m.k;
    for (int col = 0; col < m.width; ++col)
      for (int a = 0; a < m.k; ++a) {
        const double p = bg.freq[static_cast<std::size_t>(a)];
        w.score.push_back(std::log((m.at(col, a) + beta * p) / ((m.nsites + beta) * p)));
      }
    ret = std::move(w);
    return 0;
  });
}
