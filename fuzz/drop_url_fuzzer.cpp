// Dropped file URLs: whatever bytes arrive, a path comes out only when it is
// one the removal may be pointed at — absolute, no NUL byte, no trailing "/",
// a last component "<name>.app" — and decoding the path's own URL gives it back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "session/drop_intake.h"

namespace {

std::string encodedAsUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (c == '/' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        c == '.' || c == '-' || c == '_') {
      url += char(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view url(reinterpret_cast<const char*>(data), size);
  const auto path = quillmere::appPathFromDroppedUrl(url);
  if (!path) return 0;

  FUZZ_CHECK(!path->empty() && path->front() == '/');
  FUZZ_CHECK(path->find('\0') == std::string::npos);
  FUZZ_CHECK(path->back() != '/');
  const std::string_view name = std::string_view(*path).substr(path->rfind('/') + 1);
  FUZZ_CHECK(name.size() > 4 && name.ends_with(".app"));

  // The path survives its own round trip, byte for byte.
  const auto again = quillmere::appPathFromDroppedUrl(encodedAsUrl(*path));
  FUZZ_CHECK(again && *again == *path);
  return 0;
}
