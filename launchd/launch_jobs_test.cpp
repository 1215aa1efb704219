#include "launchd/launch_jobs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quillmere {
namespace {

using ::testing::ElementsAre;

TEST(LaunchJobs, DomainByFolderAndStopByLabelNeverByPath) {
  const std::optional<std::string> home = "/Users/u";
  EXPECT_EQ(launchDomainOf("/Users/u/Library/LaunchAgents/com.example.foo.plist", home), LaunchDomain::User);
  EXPECT_EQ(launchDomainOf("/Library/LaunchAgents/x.plist", home), LaunchDomain::User);
  EXPECT_EQ(launchDomainOf("/Library/LaunchDaemons/x.plist", home), LaunchDomain::System);
  // Nor does a "LaunchAgents" folder anywhere else, another user's included.
  for (const char* other : {"/Users/u/Library/Caches/LaunchAgents/x.plist", "/Users/v/Library/LaunchAgents/x.plist",
                            "/tmp/LaunchAgents/x.plist", "/Users/u/LaunchAgents/x.plist"})
    EXPECT_FALSE(launchDomainOf(other, home)) << other;
  EXPECT_FALSE(launchDomainOf("/Users/u/Library/LaunchAgents/x.plist", std::nullopt));
  // A list in a "LaunchDaemons" folder a user made names no system job: root
  // removing it must not stop the job it names.
  for (const char* other : {"/Library/LaunchDaemons/x.plist.bak", "/Library/LaunchDaemons/.plist",
                            "/Library/LaunchDaemons", "/Library/PrivilegedHelperTools/x.plist", "x.plist",
                            "/Users/u/Library/Application Support/LaunchDaemons/x.plist",
                            "/Users/u/Library/Caches/x/LaunchDaemons/x.plist", "/tmp/Library/LaunchDaemons/x.plist"})
    EXPECT_FALSE(launchDomainOf(other, home)) << other;

  EXPECT_THAT(launchJobStopCommand("com.example.foo.helper", LaunchDomain::System, 501)->arguments,
              ElementsAre("/bin/launchctl", "bootout", "system/com.example.foo.helper"));
  EXPECT_THAT(launchJobStopCommand("com.example.foo agent", LaunchDomain::User, 501)->arguments,
              ElementsAre("/bin/launchctl", "bootout", "gui/501/com.example.foo agent"));
  // A label that would name another target or read as an option stops nothing.
  for (const char* label : {"", "../x", "a/b", "-x", "a\nb"})
    EXPECT_FALSE(launchJobStopCommand(label, LaunchDomain::System, 0)) << label;
}

}  // namespace
}  // namespace quillmere
