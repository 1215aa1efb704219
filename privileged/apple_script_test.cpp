#include "privileged/apple_script.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

// Whatever the paths hold, the script text stays the same and each path is
// one argument of its own: nothing in a name can become AppleScript or shell
// text that runs with administrator rights.
TEST(AppleScript, TheScriptIsFixedAndThePathsOnlyEverArguments) {
  const std::string remover = "/Applications/Quillmere.app/Contents/libexec/quillmere-remover";
  const std::string prompt = "Quillmere needs an administrator password to delete 2 files";
  const std::vector<std::string> entries{"--entry", "1:2", "/Users/u/Library/Caches/x", "--entry", "1:3",
                                         "/Users/u/Library/Caches/y"};
  const std::vector<std::string> plain = privilegedRemovalScriptArguments(prompt, remover, entries);
  ASSERT_EQ(plain.size(), 25u);
  EXPECT_EQ(plain[0], "/usr/bin/osascript");
  EXPECT_EQ(plain[2], "on run argv");
  EXPECT_EQ(plain[4], "set command to quoted form of item 2 of argv");
  EXPECT_EQ(plain[8], "set command to command & \" \" & quoted form of item i of argv");
  EXPECT_EQ(plain[14],
            "return do shell script command with prompt (item 1 of argv) "
            "with administrator privileges without altering line endings");
  EXPECT_EQ(plain[16], "end run");
  EXPECT_EQ(plain[17], prompt);
  EXPECT_EQ(plain[18], remover);
  EXPECT_EQ(std::vector<std::string>(plain.begin() + 19, plain.end()), entries);

  for (const std::string path :
       {"/Users/u/Library/it's", "/a/quo\"te", "/a/back\\slash", "/a/$(touch /tmp/pwned)", "/a/`id`",
        "/a/new\nline", "/a/-rf", "/a/x\" & (do shell script \"touch /tmp/pwned\") & \"",
        "/a/end run\n-e", "/a/bad\xff\xfe"}) {
    std::vector<std::string> arguments = privilegedRemovalScriptArguments(prompt, remover, {"--entry", "1:2", path});
    ASSERT_EQ(arguments.size(), 22u);
    EXPECT_EQ(arguments.back(), path);
    EXPECT_EQ(std::vector<std::string>(arguments.begin(), arguments.begin() + 19),
              std::vector<std::string>(plain.begin(), plain.begin() + 19))
        << path;
  }
}

}  // namespace
}  // namespace quillmere
