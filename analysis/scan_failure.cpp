#include "analysis/scan_failure.h"

#include <cerrno>
#include <cstring>

namespace quillmere {

ScanFailure::ScanFailure(std::string_view path, int error)
    : std::runtime_error("Cannot search " + std::string(path) + ": " + std::strerror(error)), error_(error) {}

bool isPassedOver(int error) {
  switch (error) {
    case ENOENT:        // gone since it was listed
    case ENOTDIR:       // a file now where a folder was
    case ELOOP:         // a link now where a folder was, never followed
    case EACCES:        // a folder the user may not read
    case EPERM:
    case ENAMETOOLONG:  // beyond what the system can name: not reachable at all
      return true;
    default:
      return false;
  }
}

void passOverOrFail(int error, std::string_view path) {
  if (!isPassedOver(error)) throw ScanFailure(path, error);
}

void failIfOutOfResources(int error, std::string_view path) {
  if (error == EMFILE || error == ENFILE || error == ENOMEM) throw ScanFailure(path, error);
}

}  // namespace quillmere
