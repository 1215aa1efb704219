#pragma once
// What a drop hands over, and how the first item becomes a bundle path.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// One dropped item: the text of its file URL as bytes, exactly as encoded
// (e.g. "file:///Applications/My%20App.app/"), or nothing when the item has
// no file URL.
struct DroppedItem {
  std::optional<std::string> fileUrl;
};

// The bundle path of a dropped file URL: percent-escapes decoded to bytes,
// trailing "/" dropped, query and fragment ignored; nullopt unless it is an
// absolute local file URL (no host, or "localhost") without malformed escapes
// or NUL bytes whose last path component is a name with the extension "app",
// compared exactly.
std::optional<std::string> appPathFromDroppedUrl(std::string_view urlBytes);

// The message shown when a drop is not an application bundle.
inline constexpr const char* kDropRejectedMessage = "请拖拽 .app 文件";

}  // namespace quillmere
