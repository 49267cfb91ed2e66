// status.cpp: the printed word of a status.
#include "status.hpp"

const char* status_word(Status s) noexcept {
  if (s == 0) return " OK";
  static constexpr struct {
    Status flag;
    const char* word;
  } kOrder[] = {{ERARG, " ERARG"}, {ERDATA, " ERDATA"}, {ERIO, " ERIO"},   {EODATA, " EODATA"},
                {ERMEM, " ERMEM"}, {EDEBUG, " EDEBUG"}, {ERINT, " ERINT"}, {ERMPI, " ERMPI"}};
  for (const auto& e : kOrder)
    if ((s & e.flag) != 0) return e.word;
  return "";
}
