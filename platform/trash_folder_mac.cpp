// The user's Trash on macOS: ~/.Trash on the home's volume, the volume's
// .Trashes/$uid on any other. The system keeps no .trashinfo; the history
// records where each entry came from.
#include <fcntl.h>
#include <stdio.h>
#include <sys/param.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fsys/path_text.h"
#include "platform/home_folder.h"
#include "platform/trash_folder.h"

namespace quillmere {

std::variant<TrashFolder, std::string> openTrashFor(int parentFd, dev_t device) {
  TrashFolder folder;
  const std::string homeTrash = asPathPrefix(currentHomeFolder()) + "/.Trash";
  UniqueFd home(open(currentHomeFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat st;
  if (home && fstat(home.get(), &st) == 0 && st.st_dev == device) {
    folder.files.reset(openOwnFolder(home.get(), ".Trash"));
    if (!folder.files) return "the Trash " + homeTrash + " cannot be used: " + std::strerror(errno);
    folder.path = homeTrash;
    return folder;
  }
  UniqueFd top(openTopOfFileSystem(parentFd, device));
  if (!top) return std::string("the top of its volume cannot be found: ") + std::strerror(errno);
  folder.topdir = pathOfFolder(top.get());
  const std::string uid = std::to_string(geteuid());
  UniqueFd trashes(openat(top.get(), ".Trashes", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (trashes) folder.files.reset(openOwnFolder(trashes.get(), uid.c_str()));
  if (!folder.files || fstat(folder.files.get(), &st) != 0 || st.st_uid != geteuid() || st.st_dev != device)
    return "the volume has no Trash for this user (" + asPathPrefix(folder.topdir) + "/.Trashes/" + uid + ")";
  folder.path = asPathPrefix(folder.topdir) + "/.Trashes/" + uid;
  return folder;
}

bool renameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
  return renameatx_np(fromDir, from, toDir, to, RENAME_EXCL) == 0;
}

std::string pathOfFolder(int fd) {
  char path[MAXPATHLEN];
  return fcntl(fd, F_GETPATH, path) == 0 ? std::string(path) : std::string();
}

std::string removalHistoryPath() {
  return asPathPrefix(currentHomeFolder()) + "/Library/Application Support/Quillmere/history.jsonl";
}

}  // namespace quillmere
