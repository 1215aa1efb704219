#pragma once
// JSON text for byte strings that may not be valid UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// A JSON string literal, quotes included. Valid UTF-8 is copied as it is
// (control characters escaped); every byte that is not part of valid UTF-8 is
// written as \udcXX, XX being the byte, the same lone-surrogate escape that
// Python's "surrogateescape" uses. No file name can hold such a surrogate as
// UTF-8, so the original bytes can always be told apart and recovered.
std::string jsonString(const std::string& bytes);

// A JSON value read back. Strings hold bytes: each \udcXX escape turns back
// into the byte it stands for. A number keeps its text, so that 64-bit
// device and inode numbers survive unrounded.
struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;  // a string's bytes, or a number as written
  std::vector<JsonValue> items;
  // An object's members, names and values in step: a pair holding the type
  // being defined does not compile with every standard library.
  std::vector<std::string> memberNames;
  std::vector<JsonValue> memberValues;

  // The member `key` of an object; null for anything else or a missing key.
  const JsonValue* find(std::string_view key) const;
  // A string member's bytes, or nothing.
  std::optional<std::string> stringAt(std::string_view key) const;
  // A member that is a whole number from 0 to 2^64-1, or nothing.
  std::optional<std::uint64_t> unsignedAt(std::string_view key) const;
};

// One JSON text, nothing but white space after it; nothing when it is not
// valid or nests deeper than 64 levels.
std::optional<JsonValue> parseJson(std::string_view text);

}  // namespace quillmere
