#include "removal/trash_move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "fsys/folder_listing.h"
#include "fsys/path_text.h"
#include "fsys/small_file.h"
#include "platform/trash_folder.h"

namespace quillmere {
namespace {

// Enough for any real pile of same-named entries in one Trash.
constexpr int kMaxNameTries = 10000;
// Far above what any .trashinfo holds: a path and a date.
constexpr std::size_t kMaxTrashInfo = 64 << 10;

// The .trashinfo's "Path=" line for an entry from `listedPath`.
std::string trashInfoPathLine(const std::string& listedPath, const std::string& topdir) {
  // In a Trash at the top of a file system the path is relative to that top,
  // so that the volume's Trash still reads right when it is mounted elsewhere.
  std::string path = listedPath;
  const std::string prefix = asPathPrefix(topdir) + "/";
  if (!topdir.empty() && path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
    path = path.substr(prefix.size());
  return "\nPath=" + percentEncodedPath(path) + "\n";
}

std::string trashInfoText(const std::string& listedPath, const std::string& topdir, std::time_t when) {
  char date[32];
  std::tm local{};
  localtime_r(&when, &local);
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]" + trashInfoPathLine(listedPath, topdir) + "DeletionDate=" + date + "\n";
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += std::size_t(n);
  }
  return true;
}

std::string candidateName(const std::string& name, int attempt) {
  return attempt == 0 ? name : name + "." + std::to_string(attempt + 1);
}

// One of the names candidateName gives `name`: itself, or it and ".N".
bool isCandidateName(std::string_view entry, std::string_view name) {
  if (entry.substr(0, name.size()) != name) return false;
  const std::string_view rest = entry.substr(name.size());
  return rest.empty() || (rest[0] == '.' && parseDecimal(rest.substr(1)));
}

std::string reasonFor(int error) {
  if (error == EXDEV) return "its Trash lies on another file system";
  if (error == EACCES || error == EPERM) return "no permission to move it";
  if (error == EBUSY) return "it is in use as a mount point";
  return std::strerror(error);
}

TrashOutcome notMoved(std::string reason) { return {false, {}, std::move(reason)}; }

std::string trashedPath(const TrashFolder& trash, const std::string& name) {
  return (trash.info ? trash.path + "/files/" : trash.path + "/") + name;
}

}  // namespace

std::string percentEncodedPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
    if (plain)
      out += char(c);
    else
      out += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  return out;
}

TrashOutcome moveToTrash(const ResolvedEntry& walk, const std::string& listedPath,
                         const std::optional<EntryIdentity>& listed, std::time_t when) {
  if (walk.status() == ResolvedEntry::Status::Refused) return notMoved("a link it may not follow is in the way");
  if (walk.status() != ResolvedEntry::Status::Reached) return notMoved(reasonFor(walk.error()));
  const int parent = walk.parentFd();
  const char* name = walk.name().c_str();
  struct stat st;
  if (fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return notMoved(reasonFor(errno));
  if (!listed || !isSameEntry(st, *listed)) return notMoved("something else now stands at its path");
  auto opened = openTrashFor(parent, st.st_dev);
  if (auto* why = std::get_if<std::string>(&opened)) return notMoved(std::move(*why));
  const TrashFolder& trash = std::get<TrashFolder>(opened);
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    const std::string chosen = candidateName(walk.name(), attempt);
    const std::string infoName = chosen + ".trashinfo";
    if (trash.info) {
      // The .trashinfo is made first and exclusively: it claims the name, so
      // two programs trashing at once never take the same one.
      UniqueFd info(openat(trash.info.get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           0600));
      if (!info) {
        if (errno == EEXIST) continue;
        return notMoved("its .trashinfo cannot be written: " + std::string(std::strerror(errno)));
      }
      struct stat taken;
      if (fstatat(trash.files.get(), chosen.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
        unlinkat(trash.info.get(), infoName.c_str(), 0);  // an entry without a .trashinfo holds the name
        continue;
      }
      if (!writeAll(info.get(), trashInfoText(listedPath, trash.topdir, when))) {
        const int error = errno;
        unlinkat(trash.info.get(), infoName.c_str(), 0);
        return notMoved("its .trashinfo cannot be written: " + std::string(std::strerror(error)));
      }
    }
    if (!renameNoReplace(parent, name, trash.files.get(), chosen.c_str())) {
      const int error = errno;
      if (trash.info) unlinkat(trash.info.get(), infoName.c_str(), 0);
      if (error == EEXIST) continue;
      return notMoved(reasonFor(error));
    }
    // Checked before and after: what was swapped in at the name in between
    // goes straight back, and this row is not counted as moved.
    struct stat moved;
    if (fstatat(trash.files.get(), chosen.c_str(), &moved, AT_SYMLINK_NOFOLLOW) != 0 || !isSameEntry(moved, *listed)) {
      renameNoReplace(trash.files.get(), chosen.c_str(), parent, name);
      if (trash.info) unlinkat(trash.info.get(), infoName.c_str(), 0);
      return notMoved("something else now stands at its path");
    }
    return {true, trashedPath(trash, chosen), {}};
  }
  return notMoved("no free name for it in the Trash");
}

std::optional<std::string> findInTrash(const std::string& listedPath, const EntryIdentity& listed) {
  // The Trash is found as the move found it, from the folder that held the
  // entry, or the nearest one above it still there.
  const std::string path = withoutTrailingSlashes(listedPath);
  std::string folder = path;
  ResolvedEntry walk = resolveEntry(folder, LinkTrust::RootOrCurrentUser);
  while (walk.status() != ResolvedEntry::Status::Reached) {
    const std::size_t slash = folder.rfind('/');
    if (slash == 0 || slash == std::string::npos) return std::nullopt;
    folder.resize(slash);
    walk = resolveEntry(folder, LinkTrust::RootOrCurrentUser);
  }
  auto opened = openTrashFor(walk.parentFd(), dev_t(listed.device));
  const TrashFolder* trash = std::get_if<TrashFolder>(&opened);
  FolderListing listing;
  if (!trash || !listing.open(openFolderNoFollow(trash->files.get(), "."))) return std::nullopt;
  const std::string pathLine = trashInfoPathLine(listedPath, trash->topdir);
  const std::string_view ownName = lastComponent(path);
  for (FolderEntry entry; listing.next(entry);) {
    // Only the names the move would have given it are looked at: a Trash
    // may hold many thousands of entries, and a removal as many rows.
    struct stat st;
    if (!isCandidateName(entry.name, ownName) ||
        fstatat(trash->files.get(), entry.name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !isSameEntry(st, listed))
      continue;
    const std::string name = entry.name;
    // Where the system keeps no .trashinfo, the entry itself is the evidence.
    if (!trash->info) return trashedPath(*trash, name);
    int error = 0;
    const auto info = readSmallFile(trash->info.get(), (name + ".trashinfo").c_str(), kMaxTrashInfo, error);
    if (info && info->find(pathLine) != std::string::npos) return trashedPath(*trash, name);
  }
  return std::nullopt;
}

}  // namespace quillmere
