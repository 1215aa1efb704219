#pragma once
// Reads the two keys the analyzer needs from a bundle's Info.plist (XML or
// binary property list). Anything unreadable yields "no properties", never an
// error.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/property_list.h"

namespace quillmere {

struct BundleProperties {
  std::optional<std::string> bundleIdentifier;  // CFBundleIdentifier, when a string
  std::optional<std::string> iconFile;          // CFBundleIconFile, when a string
};

// Parses property-list bytes whose top level must be a dictionary. nullopt
// when the bytes are not a property list, exceed kMaxPropertyListBytes, or the
// top level is something else.
std::optional<BundleProperties> parseBundleProperties(std::string_view bytes);

// Reads and parses the file at `path`; nullopt when it is missing or unreadable.
std::optional<BundleProperties> readBundleProperties(const std::string& path);

// Reads at most `limit` bytes of a regular file; nullopt when the file cannot
// be read, is not a regular file, or is longer than `limit`.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit);

}  // namespace quillmere
