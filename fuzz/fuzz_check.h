#pragma once
// Shared by the fuzz targets. A failed invariant prints what broke and
// aborts, so that libFuzzer keeps the input as a crash.

#include <utf8proc.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

inline bool isValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(bytes + i, utf8proc_ssize_t(text.size() - i), &cp);
    if (n <= 0) return false;
    i += std::size_t(n);
  }
  return true;
}
