#include "cli/json_text.h"

#include <utf8proc.h>

#include <cstdio>

namespace quillmere {
namespace {

void appendEscape(std::string& out, unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", value);
  out += buffer;
}

}  // namespace

std::string jsonString(const std::string& bytes) {
  std::string out = "\"";
  out.reserve(bytes.size() + 2);
  const auto* data = reinterpret_cast<const utf8proc_uint8_t*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = data[i];
    if (c >= 0x80) {
      // utf8proc_iterate refuses overlong forms, surrogates and values past
      // U+10FFFF; only the one bad byte is escaped, the rest is read again.
      utf8proc_int32_t codepoint;
      const auto length = utf8proc_iterate(data + i, bytes.size() - i, &codepoint);
      if (length > 0) {
        out.append(bytes, i, length);
        i += length;
      } else {
        appendEscape(out, 0xdc00 + c);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20)
          appendEscape(out, c);
        else
          out += static_cast<char>(c);
    }
    ++i;
  }
  out += '"';
  return out;
}

}  // namespace quillmere
