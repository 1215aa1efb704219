#include "testing/manifest.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace quillmere::safety {
namespace {

std::uint64_t hashFile(const std::string& path) {
  std::uint64_t hash = 14695981039346656037ull;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw std::runtime_error("open(" + printable(path) + ") for the manifest");
  char buffer[8192];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    for (ssize_t i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
  ::close(fd);
  return hash;
}

void addBelow(const std::string& folder, Manifest& manifest) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) throw std::runtime_error("opendir(" + printable(folder) + ") for the manifest");
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) throw std::runtime_error("lstat(" + printable(path) + ")");
    ManifestEntry entry;
    entry.mode = st.st_mode & 07777;
    if (S_ISDIR(st.st_mode)) {
      entry.type = 'd';
    } else if (S_ISREG(st.st_mode)) {
      entry.type = 'f';
      entry.size = std::uint64_t(st.st_size);
      entry.hash = hashFile(path);
    } else if (S_ISLNK(st.st_mode)) {
      entry.type = 'l';
      std::string target(std::size_t(st.st_size) + 1, '\0');
      const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
      if (n < 0) throw std::runtime_error("readlink(" + printable(path) + ")");
      target.resize(std::size_t(n));
      entry.linkTarget = std::move(target);
    } else {
      entry.type = 'o';
    }
    manifest.emplace(path, entry);
    // Folders whose permissions keep even a reader out are still described;
    // their contents are read as root, or not at all.
    if (entry.type == 'd' && ::access(path.c_str(), R_OK | X_OK) == 0) addBelow(path, manifest);
  }
}

}  // namespace

Manifest takeManifest(const std::string& top) {
  Manifest manifest;
  addBelow(top, manifest);
  return manifest;
}

bool isAtOrBelow(const std::string& path, const std::string& listed) {
  return path.size() >= listed.size() && path.compare(0, listed.size(), listed) == 0 &&
         (path.size() == listed.size() || path[listed.size()] == '/');
}

std::vector<std::string> removalViolations(const Manifest& before, const Manifest& after,
                                           const std::vector<std::string>& listed) {
  auto isListed = [&](const std::string& path) {
    return std::any_of(listed.begin(), listed.end(),
                       [&](const std::string& l) { return isAtOrBelow(path, l); });
  };
  std::vector<std::string> violations;
  for (const auto& [path, entry] : before) {
    const auto now = after.find(path);
    if (isListed(path)) {
      if (now != after.end()) violations.push_back("still present: " + printable(path));
    } else if (now == after.end()) {
      violations.push_back("lost: " + printable(path));
    } else if (!(now->second == entry)) {
      violations.push_back("changed: " + printable(path));
    }
  }
  for (const auto& [path, entry] : after)
    if (!before.count(path)) violations.push_back("appeared: " + printable(path));
  return violations;
}

std::string printable(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F || c >= 0x80) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out;
}

}  // namespace quillmere::safety
