#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "matching/content_evidence.h"
#include "testing/test_plist.h"
#include "testing/test_tree.h"
#include "matching/evidence_analysis.h"

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Row = std::pair<std::string, std::string_view>;

std::string xmlPlist(const std::string& body) { return fixtures::xmlPlist("<dict>" + body + "</dict>"); }

std::string job(const std::string& program) {
  return xmlPlist("<key>Label</key><string>x</string><key>ProgramArguments</key><array><string>" + program +
                  "</string></array>");
}

std::string metadata(const std::string& identifier) {
  return xmlPlist("<key>MCMMetadataIdentifier</key><string>" + identifier + "</string>");
}

// The places beyond the twelve folders on a small Library: names tested one
// level deep with the usual hidden-entry and link rules, receipts by the
// identifier alone, and rows known by what they hold — a launch agent under
// another name whose program lies in the bundle (the lists name it as the
// system sees it, without the injected root), a container and a group
// container found by their metadata or their system-given name. The rows
// come after the twelve folders' rows, sorted, and before the bundle; there a
// name alone is weak evidence, left out by default.
TEST(PlaceEvidence, NamesAndContentBeyondTheTwelveFolders) {
  fixtures::TempDir dir;
  const std::string home = dir / "home", sys = dir / "sys", bundle = sys + "/Applications/Foo.app";
  const std::string lib = home + "/Library", sysLib = sys + "/Library";
  fixtures::writeFile(bundle + "/Contents/Info.plist",
                      xmlPlist("<key>CFBundleIdentifier</key><string>com.example.foo</string>"));
  fixtures::writeFile(lib + "/Preferences/com.example.foo.plist");
  fixtures::writeFile(lib + "/LaunchAgents/com.vendor.updater.plist", job("/Applications/Foo.app/Contents/MacOS/up"));
  fixtures::writeFile(lib + "/LaunchAgents/.com.example.foo.plist");
  fixtures::writeFile(dir / "elsewhere.plist", job("/Applications/Foo.app/Contents/MacOS/up"));
  std::filesystem::create_symlink(dir / "elsewhere.plist", lib + "/LaunchAgents/linked.plist");
  fixtures::writeFile(sysLib + "/LaunchDaemons/com.vendor.other.plist", job("/Applications/Foo.app2/x"));
  fixtures::writeFile(sysLib + "/LaunchDaemons/com.example.foo.helper.plist", "not a list");
  fixtures::writeFile(lib + "/Containers/3F2A-UUID/" + std::string(kContainerMetadataName), metadata("com.example.foo"));
  fixtures::writeFile(lib + "/Containers/9C1B-UUID/" + std::string(kContainerMetadataName), metadata("com.example.bar"));
  fixtures::writeFile(lib + "/Group Containers/ABCDE12345.com.example.foo/x");
  fixtures::writeFile(lib + "/Group Containers/7E4D-UUID/" + std::string(kContainerMetadataName), metadata("com.example.foo"));
  fixtures::writeFile(lib + "/Group Containers/ABCDE12345.com.example/x");
  fixtures::writeFile(lib + "/Cookies/com.example.foo.binarycookies");
  fixtures::writeFile(lib + "/Cookies/Foo.binarycookies");
  fixtures::writeFile(lib + "/Application Scripts/deeper/com.example.foo");
  fixtures::writeFile(sys + "/private/var/db/receipts/com.example.foo.pkg.bom");
  fixtures::writeFile(sys + "/private/var/db/receipts/Foo.bom");
  fixtures::writeFile(sys + "/private/var/db/receipts/com.example.foo.pkg.txt");
  fixtures::writeFile(sysLib + "/PrivilegedHelperTools/com.example.foo.helper");

  const AnalysisResult result = analyzeWithEvidence(SearchLocations{home, sys}, bundle);
  const AppInfo& app = std::get<AppInfo>(result);
  ASSERT_EQ(app.evidence().size(), app.relatedFiles().size());
  std::vector<Row> rows;
  for (std::size_t row = 0; row < app.relatedFiles().size(); ++row)
    rows.emplace_back(app.relatedFiles()[row], evidenceKeyword(app.evidence()[row].kind));
  EXPECT_THAT(rows, ElementsAre(Row(lib + "/Preferences/com.example.foo.plist", "identifier"),
                                Row(lib + "/Containers/3F2A-UUID", "container"),
                                Row(lib + "/Cookies/Foo.binarycookies", "nameOnly"),
                                Row(lib + "/Cookies/com.example.foo.binarycookies", "identifier"),
                                Row(lib + "/Group Containers/7E4D-UUID", "container"),
                                Row(lib + "/Group Containers/ABCDE12345.com.example.foo", "identifier"),
                                Row(lib + "/LaunchAgents/com.vendor.updater.plist", "launchJob"),
                                Row(sysLib + "/LaunchDaemons/com.example.foo.helper.plist", "identifier"),
                                Row(sysLib + "/PrivilegedHelperTools/com.example.foo.helper", "identifier"),
                                Row(sys + "/private/var/db/receipts/com.example.foo.pkg.bom", "identifier"),
                                Row(bundle, "bundle")));
  EXPECT_THAT(app.unreadableFolders, IsEmpty());
  EXPECT_THAT(app.runningPrograms, IsEmpty());
}

}  // namespace
}  // namespace quillmere
