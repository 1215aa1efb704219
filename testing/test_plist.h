#pragma once
// Property lists for tests: an XML list around a body, the same list in the
// binary encoding (written by libplist), and a binary list whose shared
// references would expand it exponentially.

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::fixtures {

inline std::string xmlPlist(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

inline std::string toBinary(const std::string& xml) {
  plist_t root = nullptr;
  plist_from_xml(xml.data(), uint32_t(xml.size()), &root);
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  std::string binary(bytes, length);
  std::free(bytes);
  plist_free(root);
  return binary;
}

// A binary list, a few hundred bytes: a dictionary of a few short string
// `entries` and "Nested", whose value is A[0], where A[i] =
// [A[i+1], A[i+1]] for `levels` levels: 2^(levels+1) nodes once expanded.
inline std::string referenceBomb(int levels, const std::vector<std::pair<std::string, std::string>>& entries = {}) {
  std::string out = "bplist00";
  std::vector<std::size_t> offsets;
  auto ascii = [&](const std::string& text) {
    offsets.push_back(out.size());
    if (text.size() < 15) {
      out += char(0x50 | text.size());
    } else {
      out += char(0x5F);
      out += char(0x11);
      out += char(text.size() >> 8);
      out += char(text.size() & 0xFF);
    }
    out += text;
  };
  const std::size_t pairs = entries.size() + 1;
  const std::size_t first = 2 * pairs;  // A[0], the last value
  offsets.push_back(out.size());
  out += char(0xD0 | pairs);
  for (std::size_t i = 0; i < pairs; ++i) out += char(1 + i);
  for (std::size_t i = 0; i < pairs; ++i) out += char(1 + pairs + i);
  for (const auto& entry : entries) ascii(entry.first);
  ascii("Nested");
  for (const auto& entry : entries) ascii(entry.second);
  for (int i = 0; i < levels; ++i) {
    offsets.push_back(out.size());
    out += char(0xA2);
    out += char(first + i + 1);
    out += char(first + i + 1);
  }
  offsets.push_back(out.size());
  out += char(0xA0);
  const std::size_t table = out.size();
  for (std::size_t offset : offsets) out += char(offset >> 8), out += char(offset & 0xFF);
  out += std::string(6, '\0');
  out += char(2);
  out += char(1);
  auto be64 = [&](std::uint64_t v) { for (int s = 56; s >= 0; s -= 8) out += char((v >> s) & 0xFF); };
  be64(offsets.size());
  be64(0);
  be64(table);
  return out;
}

}  // namespace quillmere::fixtures
