#include "platform/apple_script.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

// Whatever the path holds, the script text stays the same and the path is
// one argument of its own: nothing in a name can become AppleScript or shell
// text that runs with administrator rights.
TEST(AppleScript, TheScriptIsFixedAndThePathOnlyEverAnArgument) {
  const std::string remover = "/Applications/Quillmere.app/Contents/libexec/quillmere-remover";
  const std::vector<std::string> plain =
      privilegedRemovalScriptArguments(remover, "/Users/u/Library/Caches/x");
  ASSERT_EQ(plain.size(), 9u);
  EXPECT_EQ(plain[0], "/usr/bin/osascript");
  EXPECT_EQ(plain[2], "on run argv");
  EXPECT_EQ(plain[4],
            "do shell script (quoted form of item 2 of argv) & \" \" & "
            "(quoted form of item 1 of argv) with administrator privileges");
  EXPECT_EQ(plain[6], "end run");
  EXPECT_EQ(plain[7], "/Users/u/Library/Caches/x");
  EXPECT_EQ(plain[8], remover);

  for (const std::string path :
       {"/Users/u/Library/it's", "/a/quo\"te", "/a/back\\slash", "/a/$(touch /tmp/pwned)", "/a/`id`",
        "/a/new\nline", "/a/-rf", "/a/x\" & (do shell script \"touch /tmp/pwned\") & \"",
        "/a/end run\n-e", "/a/bad\xff\xfe"}) {
    std::vector<std::string> arguments = privilegedRemovalScriptArguments(remover, path);
    ASSERT_EQ(arguments.size(), plain.size());
    EXPECT_EQ(arguments[7], path);
    arguments[7] = plain[7];
    EXPECT_EQ(arguments, plain) << path;
  }
}

}  // namespace
}  // namespace quillmere
