#pragma once
// Property lists for tests: an XML list around a body, and the same list in
// the binary encoding (written by libplist).

#include <plist/plist.h>

#include <cstdlib>
#include <string>

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

}  // namespace quillmere::fixtures
