#include "testing/adversarial_library.h"

#include <unistd.h>

#include <stdexcept>

namespace quillmere::safety {
namespace {

using fixtures::makeDirs;
using fixtures::writeFile;

void link(const std::string& target, const std::string& path) {
  if (::symlink(target.c_str(), path.c_str()) != 0) throw std::runtime_error("symlink " + path);
}

// Deterministic, so a failure names the same tree on every run.
unsigned nextRandom(unsigned& state) {
  state = state * 1103515245u + 12345u;
  return (state >> 16) & 0x7FFF;
}

const char* const kVendors[] = {"com.apple.Safari", "Google", "Mozilla", "com.microsoft.Word",
                                "JetBrains", "Slack", "Adobe", "org.videolan.vlc", "Steam",
                                "com.spotify.client", "Zoom", "Dropbox", "Caf\xC3\xA9 Menu",
                                "Cafe\xCC\x81 Menu", "Legacy\xE9\xFF", "Notes \"v2\""};
const char* const kLeaves[] = {"Preferences.plist", "state.db", "cache.bin", "log.txt",
                               "Cookies", "index.json", "thumb.png", "lock"};

}  // namespace

AppSpec accentedApp() {
  return {"Quill\xC3\xA9.app", "Quill\xC3\xA9", "Quille\xCC\x81", "QUILL\xC3\x89",
          "com.example.Quille", "Quille"};
}

AppSpec metacharacterApp() {
  return {"Q\"it's\\$(id)`x`.app", "Q\"it's\\$(id)`x`", "Q\"it's\\$(id)`x`", "Q\"IT'S\\$(ID)`X`",
          "org.example.q'\"\\", "Q\"it's\\$(id)`y`"};
}

AdversarialLibrary::AdversarialLibrary(const AppSpec& app, int noiseFoldersPerRoot) : app_(app) {
  writeFile(bundle() + "/Contents/Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>" +
                [&] {
                  std::string escaped;
                  for (char c : app.identifier) {
                    if (c == '&') escaped += "&amp;";
                    else if (c == '<') escaped += "&lt;";
                    else escaped += c;
                  }
                  return escaped;
                }() +
                "</string></dict></plist>\n");
  writeFile(bundle() + "/Contents/MacOS/" + app.name, "binary");
  link("../Contents/MacOS", bundle() + "/Contents/Resources-link");

  // Precious files outside every root, reached only through links.
  writeFile(outside() + "/precious/thesis.tex", "years of work");
  writeFile(outside() + "/precious/" + app.name + " inside the target", "must never be listed");
  writeFile(outside() + "/precious/sub/photo.jpg", std::string("\xFF\xD8\xFF\xE0", 4));
  link("precious", outside() + "/alias");

  unsigned seed = 1;
  for (const std::string& root : roots()) fillRoot(root, noiseFoldersPerRoot, seed++);
}

std::vector<std::string> AdversarialLibrary::roots() const {
  std::vector<std::string> roots;
  for (const char* suffix : {"Application Support", "Preferences", "Caches", "Logs",
                             "Saved Application State", "HTTPStorages", "WebKit", "Containers"})
    roots.push_back(home() + "/Library/" + suffix);
  for (const char* suffix : {"Application Support", "Preferences", "Caches", "Logs"})
    roots.push_back(systemRoot() + "/Library/" + suffix);
  return roots;
}

void AdversarialLibrary::leftover(const std::string& path) { expected_.push_back(path); }

void AdversarialLibrary::fillRoot(const std::string& root, int noiseFolders, unsigned seed) {
  const AppSpec& a = app_;
  makeDirs(root);

  // Other vendors' data, up to five levels deep.
  for (int i = 0; i < noiseFolders; ++i) {
    std::string folder = root + "/" + kVendors[nextRandom(seed) % std::size(kVendors)] + " " +
                         std::to_string(i);
    const int depth = 1 + int(nextRandom(seed) % 5);
    for (int level = 1; level <= depth; ++level) {
      writeFile(folder + "/" + kLeaves[nextRandom(seed) % std::size(kLeaves)], std::to_string(seed));
      folder += "/level" + std::to_string(level);
    }
    makeDirs(folder);
  }

  // The application's leftovers, named every way that must still match.
  const std::string folder = root + "/" + a.name;
  writeFile(folder + "/settings.plist", "a");
  writeFile(folder + "/nested/deeper/deepest/file", "b");
  writeFile(folder + "/.hidden inside", "c");
  link(outside() + "/precious", folder + "/escape");  // inside a listed folder
  link(".", folder + "/loop");
  leftover(folder);
  for (const std::string& file :
       {a.name + " Helper.log", a.upper + ".plist", a.identifier + ".plist",
        "Tranquil" + a.name + "ity.txt", a.name + "\nsecond line", a.name + "\xFF\xFE",
        "$(touch pwned) " + a.name, "it's \"" + a.name + "\" \\ back"}) {
    writeFile(root + "/" + file, file);
    leftover(root + "/" + file);
  }
  // NFC and NFD spellings are two entries on this file system: both go.
  std::vector<std::string> spellings{a.name};
  if (a.decomposed != a.name) spellings.push_back(a.decomposed);
  for (const std::string& spelling : spellings) {
    writeFile(root + "/" + spelling + " Data/blob", spelling);
    leftover(root + "/" + spelling + " Data");
  }
  link(outside() + "/precious", root + "/" + a.name + " link");
  leftover(root + "/" + a.name + " link");
  link(root + "/nowhere", root + "/" + a.name + " dangling");
  leftover(root + "/" + a.name + " dangling");
  writeFile(root + "/Vendor/" + a.name + ".cache");
  leftover(root + "/Vendor/" + a.name + ".cache");
  writeFile(root + "/Vendor/Sub/" + a.name + " three levels down");
  leftover(root + "/Vendor/Sub/" + a.name + " three levels down");
  writeFile(root + "/Vendor/Other.app/" + a.name + ".txt");  // packages are entered
  leftover(root + "/Vendor/Other.app/" + a.name + ".txt");

  // Neighbours that must stay.
  writeFile(root + "/Vendor/Sub/Deeper/" + a.name + " four levels down");
  writeFile(root + "/." + a.name + " hidden");
  writeFile(root + "/.hidden/" + a.name + ".log");
  writeFile(root + "/" + a.nearMiss + " near miss", "keep");
  writeFile(root + "/it's \"other\" \\ $(rm -rf ~)\n\xFF", "keep");
  writeFile(root + "/Cafe\xCC\x81/cr\xC3\xA8me", "keep");
  link(outside() + "/precious", root + "/Precious link");  // not entered: its target's match stays out
  link(outside() + "/alias", root + "/Vendor/chain");
  link(".", root + "/Loop");
  link("Loop2", root + "/Loop1");
  link("Loop1", root + "/Loop2");
}

}  // namespace quillmere::safety
