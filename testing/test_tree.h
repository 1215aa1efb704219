#pragma once
// Small helpers for tests that build real trees in a fresh temporary folder.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "fsys/entry_identity.h"
#include "model/app_info.h"

namespace quillmere::fixtures {

class TempDir {
public:
  TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/quillmere-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);  // never follows symbolic links
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
  std::string path_;
};

inline void makeDirs(const std::string& path) { std::filesystem::create_directories(path); }

inline void writeFile(const std::string& path, const std::string& content = "x") {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline bool existsNoFollow(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Runs a block with an unprivileged effective user id, so that permissions
// apply; only possible when the tests run as root.
class AsNobody {
public:
  AsNobody() { ok_ = geteuid() == 0 && setegid(65534) == 0 && seteuid(65534) == 0; }
  ~AsNobody() {
    if (seteuid(0) != 0 || setegid(0) != 0) std::abort();
  }
  bool ok() const { return ok_; }

private:
  bool ok_ = false;
};
// The record as the analysis hands it over: each path's entry as it is now.
inline AppInfo listedNow(AppInfo app) {
  for (ListedRow& row : app.rows) row.identity = identityAtPath(row.path);
  return app;
}
// The record listing only `paths`, each with what it named when first listed
// and no evidence.
inline void relist(AppInfo& app, const std::vector<std::string>& paths) {
  AppInfo::IdentityTable identities;
  for (const ListedRow& row : app.rows)
    if (row.identity) identities.emplace(row.path, *row.identity);
  app.rows.clear();
  for (const std::string& path : paths) app.rows.push_back({path, std::nullopt, std::nullopt, std::nullopt});
  app.setIdentities(identities);
}

}  // namespace quillmere::fixtures
