#pragma once
// For tests: the file operations one path at a time, each walking to the
// path afresh, as a test that names paths wants them.

#include <string>

#include "removal/file_operations.h"

namespace quillmere::fixtures {

struct PathOperations {
  FileOperations real;
  bool exists(const std::string& path) const { return real.exists(real.find(path)); }
  bool isDeletable(const std::string& path) const { return real.isDeletable(real.find(path)); }
  bool removeItem(const std::string& path) const { return real.removeItem(real.find(path)); }
};

}  // namespace quillmere::fixtures
