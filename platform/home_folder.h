#pragma once
#include <string>

namespace quillmere {

// The current user's home folder as a path without a trailing "/":
// $HOME when set and absolute, else the password database entry, else "/".
std::string currentHomeFolder();

}  // namespace quillmere
