#pragma once
// What a listed entry takes on disk: the blocks allocated to a file, or to a
// folder and everything below it. Symbolic links are never followed (a link
// counts as the link itself), a file with several hard links inside the
// tree counts once, and a mount inside the tree (which a removal leaves in
// place) not at all. Only reads the file system.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace quillmere {

// The allocated size of `path` in bytes; nullopt when the entry, or anything
// below it, cannot be read (a partial sum would be a wrong size), or when
// `stop` turned true before the walk ended. Blocks until done; any thread.
std::optional<std::uint64_t> measureEntry(const std::string& path,
                                          const std::atomic<bool>* stop = nullptr);

}  // namespace quillmere
