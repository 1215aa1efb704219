#include "matching/row_evidence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "testing/test_tree.h"
#include "matching/evidence_analysis.h"

namespace quillmere {
namespace {

using fixtures::TempDir;
using fixtures::writeFile;

std::string plist(const std::string& identifier) {
  return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" +
         identifier + "</string></dict></plist>";
}

// Collisions of real applications' names, renamed: a short name inside longer
// words, a name inside another vendor's identifier, a more specific installed
// application, a second installed copy. Every application below is installed;
// each one is analysed, and each listed row must carry the evidence given here
// (rows not given must be coincidences).
TEST(RowEvidence, CollisionsInOneLibraryWithEveryApplicationInstalled) {
  TempDir tmp;
  const SearchLocations where{tmp / "home", tmp / "sys"};
  const std::map<std::string, std::string> bundles = {
      {"sys/Applications/Zap.app", "com.zapsoft.zap"},
      {"sys/Applications/Mi.app", "com.mi.notepad"},
      {"sys/Applications/Base.app", "com.basesoft.base"},
      {"sys/Applications/Max.app", "com.sorhus.max"},
      {"sys/Applications/Telegram.app", "ru.keeper.telegram"},
      {"sys/Applications/Telegram Desktop.app", "com.tdesk.Telegram"},
      {"sys/Applications/Opera.app", "com.operasoft.Opera"},
      {"sys/Applications/Opera Neon.app", "com.operasoft.neon"},
      {"sys/Applications/Electron.app", "com.github.Electron"},
      {"sys/Applications/Tools/Wiremix.app", "com.electron.wiremix"},
      {"sys/Applications/Notes.app", "com.example.notes"},
      {"home/Applications/Old/Notes 2.app", "com.example.notes"},
      {"home/Applications/.Hidden Notes.app", "com.example.hidden"},
  };
  for (const auto& [bundle, identifier] : bundles) writeFile(tmp / (bundle + "/Contents/Info.plist"), plist(identifier));
  const char* const rows[] = {
      "Caches/com.diskmaker.DiskZappStandAlone", "Caches/Zap", "Application Support/Microsoft",
      "Caches/com.mightysoft.word", "Application Support/Keybase", "Application Support/FontBase",
      "Logs/firebase-admin", "Preferences/com.basesoft.base.plist", "Caches/com.max-langer.Latest",
      "Preferences/net.maxon.cinema4d.plist", "Application Support/Max", "Application Support/Telegram Desktop",
      "Preferences/com.tdesk.Telegram.plist", "Containers/ru.keeper.Telegram", "Caches/Opera Neon",
      "Caches/com.operasoft.Opera", "Application Support/com.electron.wiremix", "Caches/com.electron.other",
      "Logs/Electron", "Preferences/com.example.notes.plist", "Containers/ABCDE12345.com.example.notes",
      "Caches/com.example.notesextra", "Logs/Notes 2", "Application Support/Notes-Sync",
  };
  for (const char* row : rows) writeFile(tmp / (std::string("home/Library/") + row));

  struct Expected {
    std::string app, row, evidence, otherApp;
  };
  const Expected table[] = {
      {"Zap", "Caches/Zap", "name", ""},
      {"Base", "Preferences/com.basesoft.base.plist", "identifier", ""},
      {"Max", "Caches/com.max-langer.Latest", "otherApp", ""},  // another vendor, not installed
      {"Max", "Application Support/Max", "name", ""},
      {"Telegram", "Application Support/Telegram Desktop", "otherApp", "Telegram Desktop"},
      {"Telegram", "Preferences/com.tdesk.Telegram.plist", "otherApp", "Telegram Desktop"},
      {"Telegram", "Containers/ru.keeper.Telegram", "identifier", ""},
      {"Telegram Desktop", "Application Support/Telegram Desktop", "name", ""},
      {"Telegram Desktop", "Preferences/com.tdesk.Telegram.plist", "identifier", ""},
      {"Opera", "Caches/Opera Neon", "otherApp", "Opera Neon"},
      {"Opera", "Caches/com.operasoft.Opera", "identifier", ""},
      {"Opera Neon", "Caches/Opera Neon", "name", ""},
      {"Electron", "Application Support/com.electron.wiremix", "otherApp", "Wiremix"},
      {"Electron", "Caches/com.electron.other", "otherApp", ""},
      {"Electron", "Logs/Electron", "name", ""},
      {"Wiremix", "Application Support/com.electron.wiremix", "identifier", ""},
      {"Notes", "Preferences/com.example.notes.plist", "sharedIdentifier", ""},
      {"Notes", "Containers/ABCDE12345.com.example.notes", "sharedIdentifier", ""},
      {"Notes", "Logs/Notes 2", "name", ""},  // a digit may follow
      {"Notes", "Application Support/Notes-Sync", "name", ""},
  };

  for (const auto& [bundle, identifier] : bundles) {
    if (bundle.find("/.") != std::string::npos || bundle.starts_with("home/")) continue;
    const std::string path = tmp / bundle;
    ASSERT_EQ(readInstalledApps(where, path).size(), bundles.size() - 2) << "neither itself nor a hidden bundle";
    const AppInfo app = std::get<AppInfo>(analyzeWithEvidence(where, path));
    EXPECT_EQ(app.relatedFiles(), std::get<AppInfo>(AppAnalyzer(where).analyze(path)).relatedFiles());
    const std::vector<RowEvidence>& evidence = app.evidence();
    ASSERT_EQ(evidence.size(), app.relatedFiles().size());
    EXPECT_EQ(evidence.back().kind, Evidence::Bundle);
    for (std::size_t r = 0; r + 1 < evidence.size(); ++r) {
      const std::string row = app.relatedFiles()[r].substr((tmp / "home/Library/").size());
      std::string wanted = "coincidence", wantedOther;
      for (const Expected& e : table)
        if (e.app == app.name() && e.row == row) wanted = e.evidence, wantedOther = e.otherApp;
      EXPECT_EQ(evidenceKeyword(evidence[r].kind), wanted) << app.name() << ": " << row;
      EXPECT_EQ(evidence[r].otherApp.value_or(""), wantedOther) << app.name() << ": " << row;
      if (evidence[r].kind == Evidence::SharedIdentifier) {
        EXPECT_EQ(evidence[r].otherPath, tmp / "home/Applications/Old/Notes 2.app");
      }
    }
  }

  // Separators between the words of a name count alike; a word goes on past
  // letters in any script, and a byte that is not UTF-8 ends it.
  const EvidenceRules rules("Sky Map", "org.sky.map");
  EXPECT_EQ(rules.evidenceOf("sky_map-cache").kind, Evidence::Name);
  EXPECT_EQ(rules.evidenceOf("SKY.MAP.log").kind, Evidence::Name);
  EXPECT_EQ(rules.evidenceOf("sky mapper").kind, Evidence::Coincidence);
  EXPECT_EQ(rules.evidenceOf("\xC3\xA9sky map").kind, Evidence::Coincidence);
  EXPECT_EQ(rules.evidenceOf("\xFFsky map\xFF").kind, Evidence::Name);
  EXPECT_EQ(rules.evidenceOf("ORG.SKY.MAP.helper").kind, Evidence::Identifier);
  EXPECT_EQ(rules.evidenceOf("org.sky.mapper").kind, Evidence::Coincidence);
  EXPECT_EQ(rules.evidenceOf("sky map 2 backup").kind, Evidence::Name);
  EXPECT_EQ(rules.evidenceOf("sky map2x").kind, Evidence::Coincidence);
  EXPECT_EQ(EvidenceRules("Sky", "").evidenceOf("sky.example.plist").kind, Evidence::Name);
}

// Whose folder a row lies in, on a Library laid out as real ones are: every
// Electron app keeps "Local Storage" and "Crashpad/settings.dat" inside its
// own folder, a vendor keeps its apps' folders inside its own, names are
// common words, an identifier may be a vendor's prefix, and a second copy
// may stay installed. Each row below must carry this evidence for this app.
TEST(RowEvidence, WhoseFolderAmongCommonWordsAndCopies) {
  TempDir tmp;
  const SearchLocations where{tmp / "home", tmp / "sys"};
  struct Bundle {
    std::string path, identifier, bundleName;
  };
  const Bundle bundles[] = {
      {"sys/Applications/Local.app", "com.localwp.local", ""},
      {"sys/Applications/Slack.app", "com.tinyspeck.slackmacgap", ""},
      {"sys/Applications/Visual Studio Code.app", "com.microsoft.VSCode", "Code"},
      {"sys/Applications/Dat.app", "com.datproject.dat", ""},
      {"sys/Applications/Aqua.app", "com.jetbrains.aqua", ""},
      {"sys/Applications/Notary.app", "com.apple", ""},
      {"sys/System/Applications/Mail.app", "com.apple.mail", ""},
      {"sys/Applications/Sketchbook.app", "com.sketchco.sketchbook", ""},
      {"home/Applications/Sketchbook.app", "com.sketchco.sketchbook", ""},
      {"sys/Applications/Studio.app", "com.studioware.studio", ""},
      {"sys/Applications/Foxglove.app", "dev.foxglove.desktop", ""},
      {"sys/Applications/Marathon.app", "org.aleph.marathon", ""},
      {"sys/Applications/Infinity.app", "com.infinite.infinity", ""},
      {"sys/Applications/Alacritty.app", "", ""},
      {"sys/Applications/Whisper.app", "com.whisperer.whisper", ""},
      {"sys/Applications/LoopedWhisper.app", "com.looped.whisper", ""},
      {"sys/Applications/Air Video Server HD.app", "com.inmethod.avshd", ""},
      {"sys/Applications/Advanced REST Client.app", "com.mulesoft.arc", ""},
      {"sys/Applications/1Password 7.app", "com.agilebits.onepassword7", ""},
      {"sys/Applications/Alfred 4.app", "com.runningwithcrayons.alfred", ""},
      {"sys/Applications/Alfred 5.app", "com.runningwithcrayons.alfred5", ""},
      {"sys/Applications/Rider.app", "com.jetbrains.rider", ""},
      {"sys/Applications/Rider EAP.app", "com.jetbrains.rider-EAP", ""},
      {"sys/Applications/Docker Desktop.app", "com.docker.docker", ""},
  };
  for (const Bundle& b : bundles) {
    std::string keys;
    if (!b.identifier.empty()) keys += "<key>CFBundleIdentifier</key><string>" + b.identifier + "</string>";
    if (!b.bundleName.empty()) keys += "<key>CFBundleName</key><string>" + b.bundleName + "</string>";
    writeFile(tmp / (b.path + "/Contents/Info.plist"), "<plist version=\"1.0\"><dict>" + keys + "</dict></plist>");
  }
  for (const char* row : {
           "Application Support/Local", "Application Support/Slack/Local Storage",
           "Application Support/Slack/Crashpad/settings.dat", "Application Support/Code/Local Storage",
           "Application Support/Orphan Electron/Local Storage", "Containers/com.apple.mail/Data/Local Storage",
           "Application Support/Dat",
           "Application Support/JetBrains/Aqua2024.3", "Application Support/Slack/aqua.log",
           "Preferences/com.apple.mail.plist", "Preferences/com.apple.finder.plist",
           "Application Support/Sketchbook", "Caches/Sketchbook", "Application Support/Foxglove Studio",
           "Application Support/Marathon Infinity", "Saved Application State/io.alacritty.savedState",
           "Application Support/Looped Whisper", "Application Support/AirVideoServerHD",
           "Caches/Air Video Server HD", "Application Support/advanced-rest-client", "Logs/1Password",
           "Logs/1Password 6", "Application Support/Alfred", "Application Support/JetBrains/Rider2024.3",
           "Application Support/Rider", "Preferences/com.jetbrains.rider.plist",
           "Preferences/com.jetbrains.rider-settings-eap.plist", "Application Support/Docker",
       })
    writeFile(tmp / (std::string("home/Library/") + row));

  struct Expected {
    std::string app, row, evidence, otherApp;
  };
  const Expected table[] = {
      {"Local", "Application Support/Local", "name", ""},
      {"Local", "Application Support/Slack/Local Storage", "insideOtherApp", "Slack"},
      {"Local", "Application Support/Code/Local Storage", "insideOtherApp", "Visual Studio Code"},
      {"Local", "Application Support/Orphan Electron/Local Storage", "insideForeignFolder", ""},
      {"Local", "Containers/com.apple.mail/Data/Local Storage", "insideOtherApp", "Mail"},
      {"Dat", "Application Support/Dat", "name", ""},
      {"Dat", "Application Support/Slack/Crashpad/settings.dat", "insideOtherApp", "Slack"},
      {"Aqua", "Application Support/JetBrains/Aqua2024.3", "name", ""},
      {"Aqua", "Application Support/Slack/aqua.log", "insideOtherApp", "Slack"},
      {"Notary", "Preferences/com.apple.mail.plist", "coincidence", ""},
      {"Notary", "Preferences/com.apple.finder.plist", "coincidence", ""},
      {"Sketchbook", "Application Support/Sketchbook", "sharedIdentifier", ""},
      {"Sketchbook", "Caches/Sketchbook", "sharedIdentifier", ""},
      {"Studio", "Application Support/Foxglove Studio", "otherApp", "Foxglove"},
      {"Foxglove", "Application Support/Foxglove Studio", "name", ""},
      {"Marathon", "Application Support/Marathon Infinity", "alsoNames", "Infinity"},
      {"Infinity", "Application Support/Marathon Infinity", "alsoNames", "Marathon"},
      {"Alacritty", "Saved Application State/io.alacritty.savedState", "name", ""},
      {"Whisper", "Application Support/Looped Whisper", "otherApp", "LoopedWhisper"},
      // Names spelt another way: listed after the twelve folders' own rows.
      {"Air Video Server HD", "Application Support/AirVideoServerHD", "spelling", ""},
      {"Air Video Server HD", "Caches/Air Video Server HD", "name", ""},
      {"Advanced REST Client", "Application Support/advanced-rest-client", "spelling", ""},
      {"1Password 7", "Logs/1Password", "spelling", ""},
      {"1Password 7", "Logs/1Password 6", "unlisted", ""},  // another version's
      {"Alfred 4", "Application Support/Alfred", "alsoNames", "Alfred 5"},
      {"Docker Desktop", "Application Support/Docker", "spelling", ""},  // an edition word
      // An edition installed beside it (its identifier ours and a suffix)
      // names its version's folders as the product does.
      {"Rider", "Application Support/JetBrains/Rider2024.3", "sharedIdentifier", ""},
      {"Rider", "Application Support/Rider", "name", ""},
      {"Rider", "Preferences/com.jetbrains.rider.plist", "identifier", ""},
      {"Rider", "Preferences/com.jetbrains.rider-settings-eap.plist", "otherApp", "Rider EAP"},
  };
  std::map<std::string, AppInfo> analysed;
  for (const Expected& e : table) {
    if (!analysed.contains(e.app)) {
      const AnalysisResult result = analyzeWithEvidence(where, tmp / ("sys/Applications/" + e.app + ".app"));
      analysed.emplace(e.app, std::get<AppInfo>(result));
    }
    const AppInfo& app = analysed.at(e.app);
    const auto at = std::find_if(app.rows.begin(), app.rows.end(),
                                 [&](const ListedRow& row) { return row.path == tmp / ("home/Library/" + e.row); });
    if (e.evidence == "unlisted") {
      EXPECT_EQ(at, app.rows.end()) << e.app << " lists " << e.row;
      continue;
    }
    ASSERT_NE(at, app.rows.end()) << e.app << " lists " << e.row;
    if (e.evidence == "spelling") {
      EXPECT_TRUE(std::none_of(at + 1, app.rows.end(), [](const ListedRow& row) { return row.evidence->kind == Evidence::Name; }))
          << e.app << ": " << e.row << " follows the rows the name found";
    }
    ASSERT_TRUE(at->evidence) << e.app << ": " << e.row;
    const RowEvidence& got = *at->evidence;
    EXPECT_EQ(evidenceKeyword(got.kind), e.evidence) << e.app << ": " << e.row;
    EXPECT_EQ(got.otherApp.value_or(""), e.otherApp) << e.app << ": " << e.row;
  }
}

}  // namespace
}  // namespace quillmere
