#include "platform/apple_script.h"

namespace quillmere {

std::string shellSingleQuoteBody(const std::string& path) {
  std::string out;
  out.reserve(path.size() + 8);
  for (char c : path) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out;
}

std::string appleScriptStringBody(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string privilegedRemovalScript(const std::string& path) {
  // The shell command first, then the whole command escaped as the body of
  // the AppleScript literal: a " or \ in a file name must not end the literal
  // and smuggle in script text that would run with administrator rights.
  const std::string command = "rm -rf '" + shellSingleQuoteBody(path) + "'";
  return "do shell script \"" + appleScriptStringBody(command) +
         "\" with administrator privileges";
}

}  // namespace quillmere
