#pragma once
// The one reader of small files (property lists, a container's metadata, an
// icon): a regular file in an open folder, never reached through a link and
// never a FIFO or a device, read to its end rather than trusting its size.

#include <cstddef>
#include <optional>
#include <string>

namespace quillmere {

// The bytes of `name` in `folderFd` when it is a regular file of at most
// `limit` bytes; nullopt otherwise, with `error` the errno that stopped the
// reading (ELOOP for a link; 0 when there was nothing to read: missing,
// another kind of entry, too large).
std::optional<std::string> readSmallFile(int folderFd, const char* name, std::size_t limit, int& error);

}  // namespace quillmere
