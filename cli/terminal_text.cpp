#include "cli/terminal_text.h"

#include <utf8proc.h>

#include "privileged/removal_request.h"

namespace quillmere {
namespace {

void appendOctal(std::string& out, unsigned char byte) {
  out += {'\\', char('0' + (byte >> 6)), char('0' + ((byte >> 3) & 7)), char('0' + (byte & 7))};
}

// The letter of a control character's short escape, or 0 when it has none.
char shortEscape(unsigned char byte) {
  switch (byte) {
    case '\a': return 'a';
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\v': return 'v';
    case '\f': return 'f';
    case '\r': return 'r';
    default: return 0;
  }
}

}  // namespace

std::string escapedForTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = utf8proc_ssize_t(text.size());
  for (utf8proc_ssize_t at = 0; at < size;) {
    utf8proc_int32_t codePoint = -1;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + at, size - at, &codePoint);
    if (length <= 0) {
      appendOctal(out, bytes[at++]);  // not UTF-8: the byte alone
      continue;
    }
    if (codePoint == '\\') {
      out += "\\\\";
    } else if (!rewritesText(char32_t(codePoint))) {
      out.append(text.substr(std::size_t(at), std::size_t(length)));
    } else if (const char letter = shortEscape(bytes[at]); letter && length == 1) {
      out += {'\\', letter};
    } else {
      for (utf8proc_ssize_t i = 0; i < length; ++i) appendOctal(out, bytes[at + i]);
    }
    at += length;
  }
  return out;
}

}  // namespace quillmere
