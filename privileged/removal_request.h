#pragma once
// What the program and the privileged remover say to each other, written and
// read here alone so the two sides cannot drift apart. The request:
//   quillmere-remover --entry DEV:INO PATH [--entry DEV:INO PATH]...
// DEV:INO what the entry was when listed (decimal, as `stat` prints them).
// The report: one line per entry, in order, "removed: PATH", "not found: PATH"
// or "not removed: PATH (WHY)", control characters and "\" in PATH escaped so a
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

// What became of one entry. NotFound: nothing was at the path when the
// remover first looked — nothing was removed, and nothing is left.
enum class RemoverAnswer { Removed, NotFound, NotRemoved };
struct RemoverOutcome {
  RemoverAnswer answer = RemoverAnswer::NotRemoved;
  std::string why;  // with NotRemoved, as the report gave it
};

// The report's line for one entry, newline included.
std::string reportLine(const std::string& path, RemoverAnswer answer, const char* whyNot = "");
// The report read back, one outcome per entry. An entry it never reported (it
// was not run, or stopped) or reported in a line it cannot read is not removed.
std::vector<RemoverOutcome> removerOutcomes(const std::string& report, std::size_t entries);

// A character that a terminal or a prompt obeys instead of showing, so that a
// name holding it rewrites or reorders the text around it: a control character
// (C0, DEL, C1), the line and paragraph separators, which break a line as a
// newline does, and the bidirectional controls ("Foo\u202Egol.app" reads as
// "Fooppa.log").
bool rewritesText(char32_t c);

// True when every character of `text` shows as itself wherever a prompt
// prints it: none that rewritesText, and no byte 0x80-0x9F outside UTF-8. No
// other path is ever handed to the authorisation prompt.
bool showsAsItself(std::string_view text);

// What the remover may take at `path`, given the home folder of the user who
// asked (nothing: no home is accepted): an entry one to maxDepth plain
// components below a place the search lists (fsys/search_places.h; in that
// home, or below "/"), or a bundle — a path whose last component ends in
// ".app", which must then be a folder — in /Applications or ~/Applications,
// or else in a folder the asker owns (checked when it is reached), never
// below the system's own folders. Every component plain (not empty, "." or
// ".."), no trailing "/".
enum class RemovableShape { Outside, Listed, Bundle };
struct RemovablePlace {
  RemovableShape shape = RemovableShape::Outside;
  // The folder the path starts in: the listed place, or the folder that holds
  // the bundle. No link below it is followed.
  std::string place;
  bool placeMustBeAskers = false;  // a bundle outside the Applications folders
};
RemovablePlace removablePlace(std::string_view path, const std::optional<std::string>& home);
inline RemovableShape removableShape(std::string_view path, const std::optional<std::string>& home) {
  return removablePlace(path, home).shape;
}

}  // namespace quillmere
