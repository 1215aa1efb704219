#pragma once
// A realistic Library under a temporary home and system root — the twelve
// search roots filled with other vendors' data — salted in every root with
// the leftovers of one application and with adversarial neighbours: quotes,
// apostrophes, backslashes, newlines, "$(…)", bytes that are not UTF-8,
// NFC/NFD twins, the name inside longer words, hidden entries, symbolic links
// to a folder of precious files outside the roots, dangling links and loops.
// Every entry made records whether the analysis must list it.

#include <string>
#include <vector>

#include "testing/test_tree.h"

namespace quillmere::safety {

struct AppSpec {
  std::string bundleName;   // "Quillé.app"
  std::string name;         // what the analysis derives: "Quillé" (NFC)
  std::string decomposed;   // the same name in NFD
  std::string upper;        // the same name in upper case
  std::string identifier;   // CFBundleIdentifier
  std::string nearMiss;     // close to the name, yet not containing it
};

// "Quillé" with identifier "com.example.Quille".
AppSpec accentedApp();
// A name made of shell and AppleScript metacharacters: Q"it's\$(id)`x`.
AppSpec metacharacterApp();

class AdversarialLibrary {
public:
  // `noiseFoldersPerRoot` vendor folders of unrelated data in each root.
  explicit AdversarialLibrary(const AppSpec& app, int noiseFoldersPerRoot = 12);

  const std::string& top() const { return dir_.path(); }  // holds everything below
  std::string home() const { return dir_ / "home"; }
  std::string systemRoot() const { return dir_ / "sys"; }
  std::string outside() const { return dir_ / "outside"; }  // precious, never listed
  std::string bundle() const { return dir_ / "Applications/" + app_.bundleName; }
  std::vector<std::string> roots() const;

  // What the analysis must list before the bundle, in no particular order.
  const std::vector<std::string>& expectedLeftovers() const { return expected_; }

private:
  void fillRoot(const std::string& root, int noiseFolders, unsigned seed);
  void leftover(const std::string& path);  // a path the analysis must list

  fixtures::TempDir dir_;
  AppSpec app_;
  std::vector<std::string> expected_;
};

}  // namespace quillmere::safety
