#include "platform/apple_script.h"

#include <gtest/gtest.h>

#include <optional>

namespace quillmere {
namespace {

const std::string kHead = "do shell script \"";
const std::string kTail = "\" with administrator privileges";

// Reads the script the way AppleScript reads it: the string literal after
// "do shell script" runs to the first unescaped double quote, and the
// escapes \\ \" \n \r \t stand for one character each. Nothing after the
// literal may differ from the fixed tail.
std::optional<std::string> decodeShellCommand(const std::string& script) {
  if (script.compare(0, kHead.size(), kHead) != 0) return std::nullopt;
  std::string command;
  std::size_t i = kHead.size();
  for (; i < script.size() && script[i] != '"'; ++i) {
    if (script[i] != '\\') {
      command += script[i];
      continue;
    }
    if (++i == script.size()) return std::nullopt;
    switch (script[i]) {
      case '\\': command += '\\'; break;
      case '"': command += '"'; break;
      case 'n': command += '\n'; break;
      case 'r': command += '\r'; break;
      case 't': command += '\t'; break;
      default: return std::nullopt;
    }
  }
  if (script.substr(i) != kTail) return std::nullopt;
  return command;
}

// Reads "rm -rf " and then one POSIX shell word made of single-quoted runs
// and backslash-escaped characters, which must end the command.
std::optional<std::string> decodeRemovedPath(const std::string& command) {
  const std::string head = "rm -rf ";
  if (command.compare(0, head.size(), head) != 0) return std::nullopt;
  std::string word;
  for (std::size_t i = head.size(); i < command.size(); ++i) {
    const char c = command[i];
    if (c == '\'') {
      const std::size_t close = command.find('\'', i + 1);
      if (close == std::string::npos) return std::nullopt;
      word += command.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '\\' && i + 1 < command.size()) {
      word += command[++i];
    } else {
      return std::nullopt;  // an unquoted character: the word would be split or expanded
    }
  }
  return word;
}

TEST(AppleScript, ScriptTextForAPlainPathAndAnApostrophe) {
  EXPECT_EQ(privilegedRemovalScript("/Users/u/Library/Caches/x"),
            "do shell script \"rm -rf '/Users/u/Library/Caches/x'\" with administrator privileges");
  EXPECT_EQ(shellSingleQuoteBody("/a/it's"), "/a/it'\\''s");
  EXPECT_EQ(appleScriptStringBody("a\\b\"c"), "a\\\\b\\\"c");
}

TEST(AppleScript, EveryPathRoundTripsThroughBothQuotings) {
  const std::vector<std::string> paths = {
      "/Users/u/Library/Caches/x",
      "/Users/u/Library/it's",
      "/a/''/'",
      "/a/quo\"te",
      "/a/back\\slash\\",
      "/a/\\\"",
      "/a/$(touch /tmp/pwned)",
      "/a/`id`",
      "/a/new\nline\r\t",
      "/a/with space/and  two",
      "/Users/u/Library/\xe7\xbc\x93\xe5\xad\x98/cafe\xcc\x81",
      "/a/x\" & (do shell script \"touch /tmp/pwned\" with administrator privileges) & \"",
      "/a/x' ; rm -rf / ; echo '",
  };
  for (const auto& path : paths) {
    const std::string script = privilegedRemovalScript(path);
    const auto command = decodeShellCommand(script);
    ASSERT_TRUE(command) << script;
    EXPECT_EQ(*command, "rm -rf '" + shellSingleQuoteBody(path) + "'");
    EXPECT_EQ(decodeRemovedPath(*command), path) << *command;
  }
}

}  // namespace
}  // namespace quillmere
