#pragma once
// Builds the administrator AppleScript text that removes one path. Pure, so it
// is tested on every platform.

#include <string>

namespace quillmere {

// The path as the inside of a single-quoted shell word: every ' becomes '\''.
std::string shellSingleQuoteBody(const std::string& path);

// Escapes text for the inside of an AppleScript string literal: \ then ".
std::string appleScriptStringBody(const std::string& text);

// do shell script "rm -rf '<path>'" with administrator privileges, with the
// shell word escaped for the AppleScript literal so that no path can end the
// literal early.
std::string privilegedRemovalScript(const std::string& path);

}  // namespace quillmere
