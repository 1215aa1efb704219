#pragma once
// JSON text for byte strings that may not be valid UTF-8.

#include <string>

namespace quillmere {

// A JSON string literal, quotes included. Valid UTF-8 is copied as it is
// (control characters escaped); every byte that is not part of valid UTF-8 is
// written as \udcXX, XX being the byte, the same lone-surrogate escape that
// Python's "surrogateescape" uses. No file name can hold such a surrogate as
// UTF-8, so the original bytes can always be told apart and recovered.
std::string jsonString(const std::string& bytes);

}  // namespace quillmere
