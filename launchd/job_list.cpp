#include "launchd/launch_jobs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fsys/property_list.h"

namespace quillmere {
namespace {

void appendStrings(plist_t node, std::vector<std::string>& out) {
  if (!node) return;
  if (std::optional<std::string> text = stringValue(node)) {
    out.push_back(std::move(*text));
    return;
  }
  if (plist_get_node_type(node) != PLIST_ARRAY) return;
  const uint32_t count = plist_array_get_size(node);
  for (uint32_t i = 0; i < count; ++i)
    if (std::optional<std::string> text = stringValue(plist_array_get_item(node, i))) out.push_back(std::move(*text));
}

}  // namespace

std::optional<LaunchJob> parseLaunchJob(std::string_view bytes) {
  std::optional<LaunchJob> job;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    job.emplace();
    job->label = stringValue(lastValueOf(root, "Label"));
    if (std::optional<std::string> program = stringValue(lastValueOf(root, "Program")))
      job->programs.push_back(std::move(*program));
    // launchd runs ProgramArguments[0] only when Program is absent, but a
    // list naming the bundle in either place was written for that app.
    plist_t arguments = lastValueOf(root, "ProgramArguments");
    if (arguments && plist_get_node_type(arguments) == PLIST_ARRAY && plist_array_get_size(arguments) > 0)
      if (std::optional<std::string> first = stringValue(plist_array_get_item(arguments, 0)))
        job->programs.push_back(std::move(*first));
    if (std::optional<std::string> program = stringValue(lastValueOf(root, "BundleProgram")))
      job->programs.push_back(std::move(*program));
    appendStrings(lastValueOf(root, "AssociatedBundleIdentifiers"), job->associatedBundleIdentifiers);
  });
  return job;
}

void stopJobBeforeRemoval(int folderFd, const char* name, std::string_view path, LaunchDomain domain) {
  if (launchDomainOf(path) != domain) return;
  const int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  std::string bytes;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::size_t(info.st_size) <= kMaxPropertyListBytes) {
    bytes.resize(std::size_t(info.st_size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      filled += std::size_t(n);
    }
    bytes.resize(filled);
  }
  ::close(fd);
  const std::optional<LaunchJob> job = parseLaunchJob(bytes);
  if (job && job->label) stopLaunchJob(*job->label, domain);
}

}  // namespace quillmere
