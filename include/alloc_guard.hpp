// alloc_guard.hpp: the boundary of an operation built on standard
// containers. An allocation failure inside becomes ERMEM there (with
// "out of memory" for the caller's message where it keeps one), so that no
// exception crosses the boundary.
#pragma once

#include <new>
#include <string>

#include "status.hpp"

template <class Body>
Status guard_alloc(std::string& err, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    err = "out of memory";
    return ERMEM;
  }
}

template <class Body>
Status guard_alloc(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ERMEM;
  }
}
