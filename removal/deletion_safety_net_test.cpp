// The deletion safety net: on a realistic Library full of adversarial names,
// the real analysis and the real uninstaller remove exactly the listed paths
// (and everything beneath listed folders); every other entry stays byte for
// byte, and links lose only themselves, never what they point to.

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "analysis/app_analyzer.h"
#include "privileged/removal_request.h"
#include "testing/fake_privileged_remover.h"
#include "removal/uninstaller.h"
#include "testing/adversarial_library.h"
#include "testing/manifest.h"
#include "testing/removal_run.h"
#include "testing/run_as_user.h"

namespace quillmere::safety {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> sorted(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> printableAll(const std::vector<std::string>& paths) {
  std::vector<std::string> out;
  for (const auto& p : paths) out.push_back(printable(p));
  return out;
}

AppInfo analyzed(const AdversarialLibrary& library) {
  const AnalysisResult result =
      AppAnalyzer(SearchLocations{library.home(), library.systemRoot()}).analyze(library.bundle());
  if (const auto* error = std::get_if<AnalysisError>(&result))
    throw std::runtime_error("analysis failed: " + error->localizedDescription);
  return std::get<AppInfo>(result);
}

class DeletionSafetyNet : public testing::TestWithParam<AppSpec (*)()> {};

TEST_P(DeletionSafetyNet, RemovesExactlyTheListedPathsAndNothingElse) {
  const AdversarialLibrary library(GetParam()());
  const Manifest before = takeManifest(library.top());

  const AppInfo app = analyzed(library);
  ASSERT_FALSE(app.relatedFiles().empty());
  EXPECT_EQ(app.relatedFiles().back(), library.bundle());
  std::vector<std::string> leftovers = app.relatedFiles();
  leftovers.pop_back();
  EXPECT_EQ(printableAll(sorted(leftovers)), printableAll(sorted(library.expectedLeftovers())));
  for (const std::string& path : app.relatedFiles())
    EXPECT_FALSE(isAtOrBelow(path, library.outside())) << printable(path);
  ASSERT_EQ(takeManifest(library.top()), before) << "the analysis changed the tree";

  // Any privileged call would be refused and show up as a failure.
  auto privileged = std::make_shared<FakePrivilegedRemover>();
  privileged->refuseAll();
  const RemovalRun run = runRemoval(Uninstaller(privileged), app);
  EXPECT_EQ(run.completions, 1);
  EXPECT_TRUE(run.success) << run.message.value_or("");
  EXPECT_THAT(privileged->calls(), IsEmpty());
  EXPECT_EQ(run.log, cleanRemovalLog(app.relatedFiles()));

  const Manifest after = takeManifest(library.top());
  EXPECT_THAT(removalViolations(before, after, app.relatedFiles()), IsEmpty());
  EXPECT_TRUE(after.count(library.outside() + "/precious/thesis.tex"));
}

INSTANTIATE_TEST_SUITE_P(Apps, DeletionSafetyNet, testing::Values(&accentedApp, &metacharacterApp),
                         [](const auto& param) {
                           return param.index == 0 ? std::string("Accented") : std::string("Metacharacters");
                         });

// The next tests need file permissions to mean something, which they do not
// for root: that part runs as "nobody" in a forked child.
class AsOrdinaryUser : public testing::Test {
protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to an ordinary user";
    user_ = ordinaryUser();
    if (!user_) GTEST_SKIP() << "no user \"nobody\"";
  }
  // Lets the ordinary user reach the tree; what it may change is set per entry.
  void openUp(const AdversarialLibrary& library) const {
    ::chmod(library.top().c_str(), 0755);
  }

  std::optional<UserIds> user_;
};

// Roots the user owns hold deletable leftovers; in one root owned by root
// (as /Library/Caches is) nothing may be deleted by the user, so each of its
// leftovers goes to the privileged removal, which refuses every time.
TEST_F(AsOrdinaryUser, EveryRefusedPrivilegedAttemptIsCountedAndNothingElseIsLost) {
  AdversarialLibrary library(accentedApp(), 2);
  openUp(library);
  const std::string lockedRoot = library.systemRoot() + "/Library/Caches";
  for (const std::string& folder : {library.home(), library.systemRoot(), library.top() + "/Applications"})
    ASSERT_EQ(std::system(("chown -R " + std::to_string(user_->uid) + " '" + folder + "'").c_str()), 0);
  ASSERT_EQ(std::system(("chown -R 0:0 '" + lockedRoot + "'").c_str()), 0);

  const Manifest before = takeManifest(library.top());
  const auto answer = runAsUser(*user_, [&] {
    const AppInfo app = analyzed(library);
    auto privileged = std::make_shared<FakePrivilegedRemover>();
    privileged->refuseAll();
    RemovalRun run = runRemoval(Uninstaller(privileged), app);
    std::vector<std::string> fields{run.message.value_or("<none>"), std::to_string(run.completions),
                                    std::to_string(app.relatedFiles().size())};
    const std::vector<std::string> listed = app.relatedFiles();
    fields.insert(fields.end(), listed.begin(), listed.end());
    fields.push_back("--calls");
    for (const auto& call : privileged->calls()) fields.push_back(call);
    fields.push_back("--log");
    fields.insert(fields.end(), run.log.begin(), run.log.end());
    return joinFields(fields);
  });
  ASSERT_TRUE(answer);
  const std::vector<std::string> fields = splitFields(*answer);
  const std::size_t listed = std::stoul(fields.at(2));
  const std::vector<std::string> related(fields.begin() + 3, fields.begin() + 3 + long(listed));
  const auto callsAt = fields.begin() + 3 + long(listed) + 1;
  const auto logAt = std::find(callsAt, fields.end(), "--log");
  const std::vector<std::string> calls(callsAt, logAt);
  const std::vector<std::string> log(logAt + 1, fields.end());

  std::vector<std::string> refused, deletable;
  for (const std::string& path : related)
    (isAtOrBelow(path, lockedRoot) ? refused : deletable).push_back(path);
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(fields.at(0), "Failed to delete " + std::to_string(refused.size()) + " files");
  EXPECT_EQ(fields.at(1), "1");
  // In list order, one attempt each; a name that would rewrite the prompt
  // fails without being handed over.
  std::vector<std::string> handedOver;
  std::copy_if(refused.begin(), refused.end(), std::back_inserter(handedOver), showsAsItself);
  EXPECT_LT(handedOver.size(), refused.size());
  EXPECT_EQ(printableAll(calls), printableAll(handedOver));
  for (const std::string& path : refused) {
    const auto at = std::find(log.begin(), log.end(), "Deleting: " + path);
    ASSERT_NE(at, log.end());
    EXPECT_EQ(*(at + 1), "\u2717 Failed to delete: " + path);
  }
  EXPECT_THAT(removalViolations(before, takeManifest(library.top()), deletable), IsEmpty());
}

// A folder the user cannot read, or can enter but not list, is passed over;
// the rest of its root is still searched.
TEST_F(AsOrdinaryUser, UnreadableFoldersArePassedOverAndTheWalkGoesOn) {
  AdversarialLibrary library(accentedApp(), 2);
  openUp(library);
  const std::string root = library.home() + "/Library/Caches";
  const std::string name = accentedApp().name;
  fixtures::writeFile(root + "/Locked/" + name + ".log");
  fixtures::writeFile(root + "/Unlisted/" + name + ".log");
  fixtures::writeFile(root + "/Zzz/" + name + ".log");  // read after the locked ones
  ASSERT_EQ(::chmod((root + "/Locked").c_str(), 0), 0);
  ASSERT_EQ(::chmod((root + "/Unlisted").c_str(), 0311), 0);

  const auto answer = runAsUser(*user_, [&] { return joinFields(analyzed(library).relatedFiles()); });
  ASSERT_TRUE(answer);
  std::vector<std::string> related = splitFields(*answer);
  ASSERT_FALSE(related.empty());
  related.pop_back();
  std::vector<std::string> expected = library.expectedLeftovers();
  expected.push_back(root + "/Zzz/" + name + ".log");
  EXPECT_EQ(printableAll(sorted(related)), printableAll(sorted(expected)));
}

// Folders of another user (root's, closed to others) cannot be searched: in
// the twelve folders, among the places beyond them, and a container whose
// metadata cannot be read either. Each is named once, in search order, and
// the search still lists what it could read.
TEST_F(AsOrdinaryUser, FoldersOfAnotherUserAreCountedAsNotSearched) {
  AdversarialLibrary library(accentedApp(), 2);
  openUp(library);
  const std::string caches = library.home() + "/Library/Caches/Private";
  const std::string helpers = library.systemRoot() + "/Library/PrivilegedHelperTools";
  const std::string container = library.home() + "/Library/Containers/4B1C-UUID";
  for (const std::string& folder : {caches, helpers, container}) {
    fixtures::writeFile(folder + "/" + accentedApp().name + ".log");
    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
  }

  const auto answer = runAsUser(*user_, [&] {
    const AppInfo app = analyzed(library);
    std::vector<std::string> fields;
    for (const UnreadableFolder& folder : app.unreadableFolders)
      fields.push_back(folder.path + (folder.reason == Refusal::Permission ? "" : " (privacy)"));
    fields.push_back("--");
    const std::vector<std::string> listed = app.relatedFiles();
    fields.insert(fields.end(), listed.begin(), listed.end() - 1);
    return joinFields(fields);
  });
  ASSERT_TRUE(answer);
  const std::vector<std::string> fields = splitFields(*answer);
  const auto split = std::find(fields.begin(), fields.end(), "--");
  EXPECT_THAT(std::vector<std::string>(fields.begin(), split), ElementsAre(caches, container, helpers));
  EXPECT_EQ(printableAll(sorted(std::vector<std::string>(split + 1, fields.end()))),
            printableAll(sorted(library.expectedLeftovers())));
}

}  // namespace
}  // namespace quillmere::safety
