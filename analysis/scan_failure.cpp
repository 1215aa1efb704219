#include "analysis/scan_failure.h"

#include <cerrno>
#include <cstring>

namespace quillmere {

ScanFailure::ScanFailure(std::string_view path, int error)
    : std::runtime_error("Cannot search " + std::string(path) + ": " + std::strerror(error)) {}

void passOverOrFail(int error, std::string_view path) {
  switch (error) {
    case ENOENT:        // gone since it was listed
    case ENOTDIR:       // a file now where a folder was
    case ELOOP:         // a link now where a folder was, never followed
    case EACCES:        // a folder the user may not read
    case EPERM:
    case ENAMETOOLONG:  // beyond what the system can name: not reachable at all
      return;
    default: throw ScanFailure(path, error);
  }
}

void failIfOutOfResources(int error, std::string_view path) {
  if (error == EMFILE || error == ENFILE || error == ENOMEM) throw ScanFailure(path, error);
}

}  // namespace quillmere
