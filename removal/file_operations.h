#pragma once
// The ordinary (unprivileged) file-system side of a removal. Each listed path
// is walked to once (see resolve_entry.h); whether it exists, may be deleted and
// is removed are all judged from that one walk's folder, never by looking the
// path up again. The default implementation is the real one; tests derive
// from it to make chosen paths fail, since they run as root where
// permissions stop nothing.

#include <atomic>
#include <optional>
#include <string>

#include "fsys/entry_identity.h"
#include "removal/resolve_entry.h"

namespace quillmere {

// One listed path and where the walk to it ended.
struct ListedEntry {
  std::string path;  // as listed
  ResolvedEntry walk;
  std::optional<EntryIdentity> listed;  // what was at the path when it was listed
};

class FileOperations {
public:
  virtual ~FileOperations() = default;
  // Walks to the folder that holds the entry, following only links owned by
  // root or by the user running the program. A trailing "/" is ignored: the
  // entry itself is what is listed, never what a final link points to.
  virtual ListedEntry find(const std::string& path, std::optional<EntryIdentity> listed = std::nullopt) const;
  // False only when nothing is at the entry: the reached folder holds no such
  // name, or a folder on the way is missing or not a folder. Anything else
  // that stopped the walk — a folder that cannot be searched, descriptors
  // run out, an untrusted link — leaves the entry there as far as we know.
  virtual bool exists(const ListedEntry& entry) const;
  // True when the walk reached the folder and what is at the name now is not
  // the listed entry (or nothing was recorded when it was listed): it is not
  // touched, by this removal or by the privileged one.
  virtual bool isAnotherEntry(const ListedEntry& entry) const;
  // Deletable as the Mac's file manager means it: the user may write to the
  // folder that holds it, and owns the entry where that folder is sticky.
  virtual bool isDeletable(const ListedEntry& entry) const;
  // Predicts, without touching anything, whether removeItem would leave
  // nothing of a deletable entry without more rights: true for a file or a
  // link; for a folder, every folder in its tree (itself included) may be
  // listed, and written to and searched when it holds entries, no mount lies
  // inside, and in a sticky one the user owns each entry or the folder. False
  // too when `stop` turns true first.
  virtual bool mayRemoveWhole(const ListedEntry& entry, const std::atomic<bool>* stop = nullptr) const;
  // Removes a file, a symbolic link (never what it points to) or a whole tree,
  // while it is the listed entry (when one was recorded). True only when the
  // entry found there is gone — not moved away, nor back at its name.
  virtual bool removeItem(const ListedEntry& entry) const;
};

}  // namespace quillmere
