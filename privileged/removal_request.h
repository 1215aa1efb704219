#pragma once
// What the program and the privileged remover say to each other, written and
// read here alone so the two sides cannot drift apart. The request:
//   quillmere-remover --entry DEV:INO PATH [--entry DEV:INO PATH]...
// DEV:INO what the entry was when listed (decimal, as `stat` prints them).
// The report: one line per entry, in order, "removed: PATH" or
// "not removed: PATH (WHY)", control characters and "\" in PATH escaped so a
// name holding a newline cannot pass for another entry's line.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fsys/entry_identity.h"

namespace quillmere {

// A listed entry for the remover: its path (no trailing "/") and what it was
// when listed.
struct PrivilegedEntry {
  std::string path;
  EntryIdentity identity;
};

// DEV:INO in decimal, as `stat -c %d:%i` prints them, and back. The reading
// takes digits only (no sign, no spaces, nothing that overflows).
std::string identityText(const EntryIdentity& identity);
std::optional<EntryIdentity> parseIdentityText(std::string_view text);

// The request's arguments after the program, one triple per entry in order.
std::vector<std::string> removerArguments(const std::vector<PrivilegedEntry>& entries);
// Those arguments read back; nothing unless they are one or more whole triples.
std::optional<std::vector<PrivilegedEntry>> readRemoverArguments(const std::vector<std::string>& arguments);
inline constexpr char kRemoverUsage[] = "usage: quillmere-remover --entry DEV:INO PATH [--entry DEV:INO PATH]...\n";

// The report's line for one entry, newline included.
std::string reportLine(const std::string& path, bool removed, const char* whyNot);
// The report read back: true where an entry's line says removed. Entries it
// never reported (it was not run, or stopped) are false.
std::vector<bool> removerOutcomes(const std::string& report, std::size_t entries);

// What the remover may take at `path`, given the home folder of the user who
// asked (nothing: no home is accepted): an entry one to maxDepth plain
// components below a place the search lists (fsys/search_places.h; in that
// home, or below "/"), or a bundle — a path whose last component ends in
// ".app", which must then be a folder. Every component plain (not empty, "."
// or ".."), no trailing "/".
enum class RemovableShape { Outside, Listed, Bundle };
RemovableShape removableShape(std::string_view path, const std::optional<std::string>& home);

}  // namespace quillmere
