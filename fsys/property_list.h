#pragma once
// Property lists (XML or binary) read with the guards a hostile file needs: a
// size cap, a budget of nesting and of nodes (counted with every reference a
// binary list makes expanded, as the parser expands them), and a parser stack
// deep enough for what passes them. Only dictionaries at the top level are of
// interest here.

#include <plist/plist.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// A real Info.plist or launchd job is far smaller; larger files are treated
// as unreadable, which also bounds how deeply a hostile file can nest.
inline constexpr std::size_t kMaxPropertyListBytes = 1 << 20;

// Parses `bytes` and, when its top level is a dictionary, calls `read` with it
// (on the parser's thread; the dictionary lives until `read` returns). False
// when the bytes are no such list or exceed the budget: too large, too deeply
// nested, or too many nodes.
bool readPropertyListDictionary(std::string_view bytes, const std::function<void(plist_t)>& read);

// The value of the last entry named `key` (a malformed list may repeat a key;
// libplist's own lookup would pick one differently per encoding), or nullptr.
plist_t lastValueOf(plist_t dictionary, const char* key);

// The text of a string node; nothing for another type or a string holding a
// NUL, which no file name or identifier can.
std::optional<std::string> stringValue(plist_t node);

}  // namespace quillmere
