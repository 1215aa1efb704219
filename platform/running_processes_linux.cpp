#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "fsys/folder_listing.h"
#include "platform/running_processes.h"

namespace quillmere {

// /proc/PID/exe is a link to the program; it reads as "PATH (deleted)" once
// the file was removed, and not at all for kernel threads and for processes
// of other users (without rights over them), which are left out.
std::vector<RunningProgram> runningPrograms() {
  std::vector<RunningProgram> programs;
  FolderListing proc;
  proc.open(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  for (FolderEntry entry; proc.next(entry);) {
    const char* name = entry.name;
    if (name[0] < '1' || name[0] > '9' || std::strspn(name, "0123456789") != std::strlen(name)) continue;
    const std::string link = std::string("/proc/") + name + "/exe";
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
    if (length <= 0 || std::size_t(length) >= target.size()) continue;
    target.resize(std::size_t(length));
    // A program whose file is gone still runs from where it was.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    programs.push_back(RunningProgram{std::atoi(name), std::move(target)});
  }
  return programs;
}

}  // namespace quillmere
