#pragma once
#include <optional>
#include <string>

namespace quillmere {

// The current user's home folder as a path without a trailing "/":
// $HOME when set and absolute, else the password database entry, else "/".
std::string currentHomeFolder();

// The home folder the user database gives the user running the program,
// never $HOME: the one our privileged remover checks paths against.
std::optional<std::string> homeInUserDatabase();

// True when a search of `home` and `systemRoot` is a search of the user's own
// folders (that home, and "/"): only then may what it lists be removed with
// administrator rights, since the remover takes nothing else.
bool searchesOwnFolders(const std::string& home, const std::string& systemRoot);

}  // namespace quillmere
