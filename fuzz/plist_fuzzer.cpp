// Property-list reading (Info.plist, launchd jobs, container metadata):
// arbitrary bytes (XML, binary or neither) must never crash, hang or leak.
// When an XML list is read, the same list written as a binary list must give
// the same two keys.

#include <plist/plist.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "analysis/bundle_properties.h"
#include "matching/content_evidence.h"
#include "launchd/launch_jobs.h"
#include "fuzz/fuzz_check.h"

namespace {

// libplist's writers cut keys and strings at a NUL, and its binary writer
// drops bytes that are not UTF-8, so text holding either does not survive
// re-encoding. The reader keeps such text as it stands (or calls a string
// with a NUL absent); the damaged copy may read differently.
bool damagedByReencoding(plist_t value) {
  if (plist_get_node_type(value) != PLIST_STRING) return false;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(value, &length);
  if (!text) return false;
  const std::string_view view(text, std::size_t(length));
  return view.find('\0') != std::string_view::npos || !isValidUtf8(view);
}

// Per key the reader looks for: how many top-level entries it matches, and
// whether any of their values would be damaged. Key text cannot be read
// safely (libplist asserts on a NUL in it), but a damaged key shows up as a
// different number of matches after re-encoding.
struct Entries {
  int identifiers = 0, iconFiles = 0;
  bool damaged = false;
  bool operator==(const Entries&) const = default;
};

Entries entriesOf(plist_t root) {
  Entries entries;
  if (plist_get_node_type(root) != PLIST_DICT) return entries;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(root, &iterator);
  for (plist_t value = nullptr;; value = nullptr) {
    plist_dict_next_item(root, iterator, nullptr, &value);
    if (!value) break;
    plist_t key = plist_dict_item_get_key(value);
    if (!key || plist_get_node_type(key) != PLIST_KEY) continue;
    const bool identifier = plist_key_val_compare(key, "CFBundleIdentifier") == 0;
    const bool iconFile = plist_key_val_compare(key, "CFBundleIconFile") == 0;
    entries.identifiers += identifier;
    entries.iconFiles += iconFile;
    if ((identifier || iconFile) && damagedByReencoding(value)) entries.damaged = true;
  }
  std::free(iterator);
  return entries;
}

plist_t parsed(std::string_view bytes) {
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), uint32_t(bytes.size()), &root);
  return root;
}

// The same property list re-encoded in the other format, or empty when
// libplist cannot re-encode what the reader looks at without damage.
std::string_view reencoded(std::string_view bytes, char** buffer) {
  plist_t root = parsed(bytes);
  if (!root) return {};
  uint32_t length = 0;
  if (bytes.starts_with("bplist"))
    plist_to_xml(root, buffer, &length);
  else
    plist_to_bin(root, buffer, &length);
  const Entries before = entriesOf(root);
  plist_free(root);
  if (!*buffer) return {};
  const std::string_view other(*buffer, length);
  bool faithful = !before.damaged;
  if (plist_t again = parsed(other)) {
    faithful = faithful && entriesOf(again) == before;
    plist_free(again);
  }
  return faithful ? other : std::string_view();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quillmere::parseBundleProperties;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The launchd job and container readers share the guarded parse: any bytes
  // must leave them whole too.
  (void)quillmere::parseLaunchJob(bytes);
  (void)quillmere::parseContainerIdentifier(bytes);
  const auto properties = parseBundleProperties(bytes);
  if (!properties) return 0;

  // Only lists the reader accepted are re-encoded: those are small and sane.
  char* buffer = nullptr;
  const std::string_view other = reencoded(bytes, &buffer);
  if (!other.empty()) {
    const auto again = parseBundleProperties(other);
    // The binary reader caps nesting, the XML one does not: a refusal in
    // one direction is allowed, a different answer never.
    if (again) {
      FUZZ_CHECK(again->bundleIdentifier == properties->bundleIdentifier);
      FUZZ_CHECK(again->iconFile == properties->iconFile);
    }
  }
  std::free(buffer);
  return 0;
}
