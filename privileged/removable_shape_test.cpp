#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "fsys/entry_identity.h"
#include "privileged/removal_request.h"

namespace quillmere {
namespace {

// What a program running as root takes: only what the search could list for
// the user who asked, and a bundle; and an identity only in strict decimal.
TEST(RemovableShape, OnlyPathsTheSearchCanListForTheUserWhoAsked) {
  const std::optional<std::string> home = "/home/ada";
  for (const char* listed : {"/Library/Caches/x", "/Library/Logs/a/b/c", "/Library/Application Support/x",
                             "/home/ada/Library/Containers/x", "/home/ada/Library/WebKit/a/b/c"})
    EXPECT_EQ(removableShape(listed, home), RemovableShape::Listed) << listed;
  for (const char* bundle : {"/Applications/Foo.app", "/tmp/x/Foo.app"})
    EXPECT_EQ(removableShape(bundle, home), RemovableShape::Bundle) << bundle;
  for (const char* outside :
       {"/Library/Caches", "/Library/Caches/a/b/c/d", "/Library/Caches/../x", "/Library/Caches/./x",
        "/Library/Caches//x", "/Library/Caches/x/", "/Library/Frameworks/x", "/home/ada/Library/Caches",
        "/home/ada/Documents/x", "/home/bob/Library/Caches/x", "/home/ada/Library/Caches/a/b/c/d", "Library/Caches/x",
        "/etc/passwd", "/", "", "/x/.app", "/x/Foo.app/", "/Library/Caches/a/b/c/d/Foo.app"})
    EXPECT_EQ(removableShape(outside, home), RemovableShape::Outside) << outside;
  EXPECT_EQ(removableShape("/home/ada/Library/Caches/x", std::nullopt), RemovableShape::Outside);
  EXPECT_EQ(removableShape("/Library/Caches/x", std::nullopt), RemovableShape::Listed);

  // The places searched one level deep: an entry directly inside each, and
  // nothing deeper, beside it, or in another user's home.
  for (const std::string_view place :
       {"~/Library/Application Scripts", "~/Library/Group Containers", "~/Library/Cookies", "~/Library/LaunchAgents",
        "~/Library/Internet Plug-Ins", "~/Library/Services", "/Library/LaunchAgents", "/Library/LaunchDaemons",
        "/Library/PrivilegedHelperTools", "/Library/Internet Plug-Ins", "/private/var/db/receipts"}) {
    const bool inHome = place.starts_with("~");
    const std::string below = std::string(place.substr(inHome));
    const std::string folder = (inHome ? *home : "") + below;
    EXPECT_EQ(removableShape(folder + "/com.x.plist", home), RemovableShape::Listed) << folder;
    for (const std::string& outside : {folder, folder + "/a/b", folder + "X/a", folder + "X", folder + "/./a",
                                       (inHome ? "/home/bob" : "/opt") + below + "/a"})
      EXPECT_EQ(removableShape(outside, home), RemovableShape::Outside) << outside;
  }
  EXPECT_EQ(removableShape("/private/var/db/receipts/com.x.pkg.bom", std::nullopt), RemovableShape::Listed);
  EXPECT_EQ(removableShape("/home/ada/Library/LaunchAgents/a", std::nullopt), RemovableShape::Outside);

  // A bundle comes from an Applications folder, or from a folder the asker
  // owns (checked when reached) — never from among the system's components,
  // whoever owns them there. The walk follows no link below its folder.
  for (const char* system : {"/System/Applications/Foo.app", "/Library/Foo.app", "/usr/local/Foo.app",
                             "/bin/Foo.app", "/sbin/Foo.app", "/private/var/Foo.app", "/Library/Frameworks/Foo.app"})
    EXPECT_EQ(removableShape(system, home), RemovableShape::Outside) << system;
  const auto place = [&](const char* path) {
    const RemovablePlace at = removablePlace(path, home);
    return at.place + (at.placeMustBeAskers ? " (asker's)" : "");
  };
  EXPECT_EQ(place("/Applications/Utilities/Foo.app"), "/Applications/Utilities");
  EXPECT_EQ(place("/home/ada/Applications/Foo.app"), "/home/ada/Applications");
  EXPECT_EQ(place("/home/ada/Downloads/Foo.app"), "/home/ada/Downloads (asker's)");
  EXPECT_EQ(place("/home/bob/Applications/Foo.app"), "/home/bob/Applications (asker's)");
  EXPECT_EQ(place("/home/ada/Library/Caches/a/b/c"), "/home/ada/Library/Caches");

  // What may be shown in a prompt: no C0, DEL, C1 (as UTF-8 or as a lone
  // byte), line or paragraph separator or bidirectional control.
  for (const char* shown : {"/a/caf\xC3\xA9 b", "/a/bad\xFF\xFE", "/a/\xE2\x80\x8B", "/a/\xF0\x9F\x98\x80"})
    EXPECT_TRUE(showsAsItself(shown)) << shown;
  for (const char* rewrites : {"/a/x\ny", "/a/\x1B[2J", "/a/\x7F", "/a/\xC2\x9B", "/a/\x9B", "/a/\xE2\x80\xAE",
                               "/a/\xE2\x80\xA8", "/a/\xE2\x80\xA9", "/a/\xE2\x81\xA6", "/a/\xD8\x9C", "/a/\xE2\x80\x8F"})
    EXPECT_FALSE(showsAsItself(rewrites)) << rewrites;

  EXPECT_EQ(parseIdentityText("2049:18446744073709551615"), (EntryIdentity{2049, 18446744073709551615u, 0}));
  for (const char* bad : {"", ":", "1:", ":1", "1:2:3", "-1:2", "+1:2", " 1:2", "1:2 ", "0x1:2", "18446744073709551616:1"})
    EXPECT_FALSE(parseIdentityText(bad)) << bad;
}

}  // namespace
}  // namespace quillmere
