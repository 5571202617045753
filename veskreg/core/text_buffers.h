// Texts built whole into fixed buffers, or not at all: a path or key cut short would
// name some other file or key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Registry key paths are formed in buffers of this size; a path that does not fit is refused.
inline constexpr uint32_t kKeyPathSize = 260;

// Joins the parts into `out`; false, with `out` left empty, when the whole does not fit.
template <std::size_t N>
bool JoinWhole(char (&out)[N], const char* first, const char* second, const char* third = "") {
  int written = std::snprintf(out, N, "%s%s%s", first != nullptr ? first : "", second != nullptr ? second : "",
                              third != nullptr ? third : "");
  if (written < 0 || static_cast<std::size_t>(written) >= N) {
    out[0] = '\0';
    return false;
  }
  return true;
}
