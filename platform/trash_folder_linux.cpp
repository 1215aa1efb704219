// The freedesktop.org Trash: $XDG_DATA_HOME/Trash for the home's file system,
// $topdir/.Trash/$uid (when .Trash is a real sticky folder) or
// $topdir/.Trash-$uid on any other, each with files/ and info/.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fsys/path_text.h"
#include "platform/home_folder.h"
#include "platform/trash_folder.h"

namespace quillmere {
namespace {

// The folder the base-directory variable `name` gives, when it is absolute;
// else `inHome`, a folder below the home folder.
std::string baseFolder(const char* name, const char* inHome) {
  if (const char* value = std::getenv(name); value && value[0] == '/') return withoutTrailingSlashes(value);
  return asPathPrefix(currentHomeFolder()) + inHome;
}

// Makes every missing folder of the absolute `path` (new ones 0700) and opens it.
int makeAndOpen(const std::string& path) {
  UniqueFd folder(open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::size_t from = 1;
  while (folder && from < path.size()) {
    std::size_t slash = path.find('/', from);
    if (slash == std::string::npos) slash = path.size();
    const std::string name = path.substr(from, slash - from);
    from = slash + 1;
    if (name.empty() || name == ".") continue;
    // The user's own folders: a link they made on the way is theirs to make.
    if (mkdirat(folder.get(), name.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    folder.reset(openat(folder.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  return folder.release();
}

bool isUsable(int fd, dev_t device, bool ownedByUser) {
  struct stat st;
  return fd >= 0 && fstat(fd, &st) == 0 && st.st_dev == device && (!ownedByUser || st.st_uid == geteuid());
}

// files/ and info/ in the Trash folder `trash`.
std::variant<TrashFolder, std::string> withParts(UniqueFd trash, std::string path, std::string topdir) {
  TrashFolder folder;
  folder.files.reset(openOwnFolder(trash.get(), "files"));
  folder.info.reset(openOwnFolder(trash.get(), "info"));
  if (!folder.files || !folder.info) return "the Trash folder " + path + " cannot be used: " + std::strerror(errno);
  folder.path = std::move(path);
  folder.topdir = std::move(topdir);
  return folder;
}

}  // namespace

std::variant<TrashFolder, std::string> openTrashFor(int parentFd, dev_t device) {
  const std::string homeTrash = baseFolder("XDG_DATA_HOME", "/.local/share") + "/Trash";
  UniqueFd home(makeAndOpen(homeTrash));
  if (isUsable(home.get(), device, false)) return withParts(std::move(home), homeTrash, "");

  UniqueFd top(openTopOfFileSystem(parentFd, device));
  if (!top) return std::string("the top of its file system cannot be found: ") + std::strerror(errno);
  const std::string topdir = pathOfFolder(top.get());
  const std::string uid = std::to_string(geteuid());
  // A shared .Trash is used only when it is a real folder with the sticky
  // bit: otherwise anyone could have made it to catch what others trash.
  struct stat shared;
  if (fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX)) {
    UniqueFd sharedFd(openat(top.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    UniqueFd own(sharedFd ? openOwnFolder(sharedFd.get(), uid.c_str()) : -1);
    if (isUsable(own.get(), device, true))
      return withParts(std::move(own), asPathPrefix(topdir) + "/.Trash/" + uid, topdir);
  }
  const std::string name = ".Trash-" + uid;
  UniqueFd own(openOwnFolder(top.get(), name.c_str()));
  if (!isUsable(own.get(), device, true))
    return "no Trash can be made on its file system (" + asPathPrefix(topdir) + "/" + name + "): " +
           std::strerror(errno ? errno : EACCES);
  return withParts(std::move(own), asPathPrefix(topdir) + "/" + name, topdir);
}

bool renameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
  return renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0;
}

std::string pathOfFolder(int fd) {
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), target, sizeof target);
  if (length <= 0 || std::size_t(length) >= sizeof target) return {};
  return std::string(target, std::size_t(length));
}

std::string removalHistoryPath() {
  return asPathPrefix(baseFolder("XDG_STATE_HOME", "/.local/state")) + "/quillmere/history.jsonl";
}

}  // namespace quillmere
