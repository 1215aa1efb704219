#pragma once
// Reads the keys the analysis needs from a bundle's Info.plist (XML or
// binary property list). Anything unreadable yields "no properties", never an
// error.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "fsys/property_list.h"

namespace quillmere {

struct BundleProperties {
  std::optional<std::string> bundleIdentifier;  // CFBundleIdentifier, when a string
  std::optional<std::string> iconFile;          // CFBundleIconFile, when a string
  // The names other than the bundle's file name the app goes by, when strings:
  // its folders in the Library are often named after one of them.
  std::optional<std::string> bundleName;   // CFBundleName
  std::optional<std::string> displayName;  // CFBundleDisplayName
  std::optional<std::string> executable;   // CFBundleExecutable
};

// Parses property-list bytes whose top level must be a dictionary. nullopt
// when the bytes are not a property list, exceed kMaxPropertyListBytes, or the
// top level is something else.
std::optional<BundleProperties> parseBundleProperties(std::string_view bytes);

// Reads and parses the Contents/Info.plist of the bundle open at `bundleFd`
// (whose path is `bundlePath`) with readFileInside; nullopt when it is
// missing, unreadable or no dictionary list.
std::optional<BundleProperties> readBundleProperties(int bundleFd, const std::string& bundlePath);

// Reads at most `limit` bytes of the regular file at `relative` (names joined
// by "/", no "..") inside the folder open at `folderFd`, whose path is
// `folderPath`. Nothing on the way is followed if it is a link, and nothing
// but a regular file is opened: a FIFO would hang the read and a device may
// act on being opened. nullopt when there is no such file, it is not a
// regular file, or it is longer than `limit`; throws ScanFailure for any
// error that is not a plain absence (descriptors run out, say), which would
// otherwise leave the bundle identifier unread and the search listing less.
std::optional<std::string> readFileInside(int folderFd, const std::string& folderPath, std::string_view relative,
                                          std::size_t limit);

}  // namespace quillmere
