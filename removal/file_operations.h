#pragma once
// The ordinary (unprivileged) file-system side of a removal. Each listed path
// is walked to once (see entry_walk.h); whether it exists, may be deleted and
// is removed are all judged from that one walk's folder, never by looking the
// path up again. The default implementation is the real one; tests derive
// from it to make chosen paths fail, since they run as root where
// permissions stop nothing.

#include <string>

#include "removal/entry_walk.h"

namespace quillmere {

// One listed path and where the walk to it ended.
struct ListedEntry {
  std::string path;  // as listed
  WalkedEntry walk;
};

class FileOperations {
public:
  virtual ~FileOperations() = default;
  // Walks to the folder that holds the entry, following only links owned by
  // root or by the user running the program. A trailing "/" is ignored: the
  // entry itself is what is listed, never what a final link points to.
  virtual ListedEntry find(const std::string& path) const;
  // True when any object is at the entry (a final symbolic link counts,
  // dangling or not), or when an untrusted link stands in the way: that path
  // is then not reached, so it counts as a failure rather than as absent.
  virtual bool exists(const ListedEntry& entry) const;
  // Deletable as the Mac's file manager means it: the user may write to the
  // folder that holds it, and owns the entry where that folder is sticky.
  virtual bool isDeletable(const ListedEntry& entry) const;
  // Removes a file, a symbolic link (never what it points to) or a whole tree.
  // True when nothing is left at the entry.
  virtual bool removeItem(const ListedEntry& entry) const;
};

}  // namespace quillmere
