#include "matching/content_evidence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "launchd/launch_jobs.h"
#include "testing/test_plist.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using fixtures::toBinary;
using fixtures::xmlPlist;

TEST(ContentEvidence, LaunchJobsAndContainerMetadataReadInBothEncodings) {
  const std::string job = xmlPlist(
      "<dict><key>Label</key><string>com.example.updater</string>"
      "<key>ProgramArguments</key><array><string>/Applications/Foo.app/Contents/MacOS/up</string>"
      "<string>--daemon</string></array>"
      "<key>BundleProgram</key><string>Contents/MacOS/up</string>"
      "<key>AssociatedBundleIdentifiers</key><string>com.example.foo</string></dict>");
  for (const std::string& bytes : {job, toBinary(job)}) {
    const auto parsed = parseLaunchJob(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->label, "com.example.updater");
    EXPECT_THAT(parsed->programs, ElementsAre("/Applications/Foo.app/Contents/MacOS/up", "Contents/MacOS/up"));
    EXPECT_THAT(parsed->associatedBundleIdentifiers, ElementsAre("com.example.foo"));
  }
  // Wrong types are absent, not errors; a list that is no dictionary is nothing.
  const auto odd = parseLaunchJob(xmlPlist("<dict><key>Program</key><integer>1</integer>"
                                           "<key>ProgramArguments</key><string>/x</string></dict>"));
  ASSERT_TRUE(odd);
  EXPECT_TRUE(odd->programs.empty());
  EXPECT_FALSE(parseLaunchJob(xmlPlist("<array/>")));
  EXPECT_FALSE(parseLaunchJob("not a list"));

  const std::string metadata = xmlPlist("<dict><key>MCMMetadataIdentifier</key><string>com.example.foo</string>"
                                        "<key>MCMMetadataContentClass</key><integer>2</integer></dict>");
  EXPECT_EQ(parseContainerIdentifier(toBinary(metadata)), "com.example.foo");
  EXPECT_FALSE(parseContainerIdentifier(xmlPlist("<dict><key>MCMMetadataIdentifier</key><true/></dict>")));
}

TEST(ContentEvidence, ProgramInsideTheBundleAndGroupContainerNames) {
  const std::string bundle = "/Applications/Foo.app";
  EXPECT_TRUE(programLiesInBundle("/Applications/Foo.app/Contents/MacOS/Foo", bundle, "/"));
  EXPECT_TRUE(programLiesInBundle("/applications//foo.APP/./Contents/x", bundle + "/", "/"));
  EXPECT_FALSE(programLiesInBundle("/Applications/Foo.app", bundle, "/"));  // the folder is no program
  EXPECT_FALSE(programLiesInBundle("/Applications/Foo.app2/x", bundle, "/"));
  EXPECT_FALSE(programLiesInBundle("/Applications/Foo.app/../Bar.app/x", bundle, "/"));
  EXPECT_FALSE(programLiesInBundle("Contents/MacOS/Foo", bundle, "/"));
  // A list under an injected root names the program as the system would see it.
  EXPECT_TRUE(programLiesInBundle("/Applications/Foo.app/Contents/MacOS/Foo", "/tmp/sys/Applications/Foo.app",
                                  "/tmp/sys/"));
  EXPECT_FALSE(programLiesInBundle("/Applications/Foo.app/x", "/tmp/other/Applications/Foo.app", "/tmp/sys"));

  const auto names = [](const char* folder) { return groupContainerNamesApp(folder, "com.example.foo", "Foo Writer"); };
  EXPECT_TRUE(names("ABCDE12345.com.example.foo"));
  EXPECT_TRUE(names("group.com.example.foo"));
  EXPECT_TRUE(names("ABCDE12345.group.com.example.foo.shared"));
  EXPECT_TRUE(names("ABCDE12345.com.example.FooWriter"));
  EXPECT_TRUE(names("group.com.example.foo-writer.sync"));
  EXPECT_TRUE(names("ABCDE12345.com.example.foo writer"));
  EXPECT_FALSE(names("ABCDE12345.com.example"));          // the vendor's, shared by its apps
  EXPECT_FALSE(names("ABCDE12345.com.example.foobar"));   // another app of the vendor
  EXPECT_FALSE(names("abcde12345.com.example.foo"));      // no team: lower case
  EXPECT_FALSE(names("com.example.foo"));                 // a container's name, not a group's
  EXPECT_FALSE(groupContainerNamesApp("group.foo", "foo", "Foo"));  // an identifier of one label
}

}  // namespace
}  // namespace quillmere
