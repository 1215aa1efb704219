#pragma once
// The ordinary (unprivileged) file-system side of a removal. The default
// implementation is the real one; tests derive from it to make chosen paths
// fail, since they run as root where permissions stop nothing.

#include <string>

namespace quillmere {

class FileOperations {
public:
  virtual ~FileOperations() = default;
  // True when any object exists at the path (a final symbolic link counts,
  // dangling or not).
  virtual bool exists(const std::string& path) const;
  // Deletable as the Mac's file manager means it: the user may write to the
  // parent folder, and owns the entry where the parent has the sticky bit.
  virtual bool isDeletable(const std::string& path) const;
  // Removes a file, a symbolic link (never what it points to) or a whole tree.
  // True when nothing is left at the path.
  virtual bool removeItem(const std::string& path) const;
};

}  // namespace quillmere
