#pragma once
// A prepared Library for CLI tests: a bundle with an Info.plist, a home and a
// system root holding leftovers of Foo (com.example.foo), leftovers of other
// applications, and names with a newline and a byte that is not UTF-8.

#include <algorithm>
#include <string>
#include <vector>

#include "testing/test_tree.h"

namespace quillmere::fixtures {

struct PreparedLibrary {
  TempDir root;
  std::string home = root / "home";
  std::string systemRoot = root / "sys";
  std::string bundle = root / "Applications/Foo.app";
  std::vector<std::string> leftovers;  // what the analysis must find, sorted
  std::vector<std::string> unrelated;  // what must survive a removal

  PreparedLibrary() {
    writeFile(bundle + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>com.example.foo</string>"
              "</dict></plist>\n");
    writeFile(bundle + "/Contents/MacOS/Foo");
    // Folders get contents of their own, which must go with them.
    for (const char* folder : {"home/Library/Application Support/Foo", "home/Library/Caches/com.example.foo"}) {
      leftovers.push_back(root / folder);
      writeFile(leftovers.back() + "/data/inner");
    }
    for (const char* file : {"home/Library/Preferences/com.example.foo.plist", "home/Library/Logs/Foo\nlog.txt",
                             "home/Library/Logs/Foo-\xff.log", "sys/Library/Caches/com.example.foo.cache"}) {
      leftovers.push_back(root / file);
      writeFile(leftovers.back());
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const char* other : {"home/Library/Caches/Other/keep", "home/Library/Preferences/com.example.bar.plist",
                              "sys/Library/Logs/unrelated.log"}) {
      unrelated.push_back(root / other);
      writeFile(unrelated.back());
    }
  }

  // The analysis result: leftovers in order, the bundle last.
  std::vector<std::string> relatedFiles() const {
    std::vector<std::string> all = leftovers;
    all.push_back(bundle);
    return all;
  }
};

}  // namespace quillmere::fixtures
