#include "analysis/bundle_properties.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace quillmere {
namespace {

// libplist parses and frees nested containers recursively, using some
// 100–200 bytes of stack per level. Within kMaxPropertyListBytes a binary
// list can nest ~150,000 levels, which overflows an 8 MiB main stack and
// any smaller thread stack (512 KiB on macOS). Parsing runs on a thread of
// its own whose stack is large enough for the worst case; the pages are only
// committed as far as a file actually nests.
constexpr std::size_t kParserStackBytes = std::size_t(64) << 20;

std::optional<std::string> stringValue(plist_t dict, const char* key) {
  plist_t node = plist_dict_get_item(dict, key);
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  if (!text) return std::nullopt;
  return std::string(text, std::size_t(length));
}

struct ParseJob {
  std::string_view bytes;
  std::optional<BundleProperties> result;
};

void* parseOnThisThread(void* argument) {
  auto* job = static_cast<ParseJob*>(argument);
  plist_t root = nullptr;  // libplist ignores a non-null out-parameter
  plist_from_memory(job->bytes.data(), uint32_t(job->bytes.size()), &root);
  if (!root) return nullptr;
  if (plist_get_node_type(root) == PLIST_DICT) {
    BundleProperties properties;
    properties.bundleIdentifier = stringValue(root, "CFBundleIdentifier");
    properties.iconFile = stringValue(root, "CFBundleIconFile");
    job->result = std::move(properties);
  }
  plist_free(root);
  return nullptr;
}

}  // namespace

std::optional<BundleProperties> parseBundleProperties(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxPropertyListBytes) return std::nullopt;
  ParseJob job{bytes, std::nullopt};
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return std::nullopt;
  pthread_t thread;
  bool started = pthread_attr_setstacksize(&attributes, kParserStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, parseOnThisThread, &job) == 0;
  pthread_attr_destroy(&attributes);
  // Without the large stack a hostile file could crash us: treat it as unreadable.
  if (!started) return std::nullopt;
  pthread_join(thread, nullptr);
  return job.result;
}

std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info;
  std::optional<std::string> contents;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::size_t(info.st_size) <= limit) {
    // Read to the end rather than trusting st_size: the file may change under us.
    std::string data(std::size_t(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    bool failed = false;
    while (filled <= limit) {
      if (filled == data.size()) data.resize(std::min(limit + 1, data.size() * 2));
      ssize_t n = ::read(fd, data.data() + filled, data.size() - filled);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) failed = true;
      if (n <= 0) break;
      filled += std::size_t(n);
    }
    if (!failed && filled <= limit) {
      data.resize(filled);
      contents = std::move(data);
    }
  }
  ::close(fd);
  return contents;
}

std::optional<BundleProperties> readBundleProperties(const std::string& path) {
  std::optional<std::string> bytes = readSmallFile(path, kMaxPropertyListBytes);
  if (!bytes) return std::nullopt;
  return parseBundleProperties(*bytes);
}

}  // namespace quillmere
