#pragma once
// The text rules of a path, written once for the window, the command line,
// the analysis, the removal and the privileged remover. Paths are bytes;
// nothing here looks at the disk (absolutePath reads the current folder).

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// `path` without trailing "/"; "/" (or only slashes) stays "/".
std::string withoutTrailingSlashes(std::string path);

// A folder as the front of a longer path: without trailing "/", and "/"
// becomes "", so that no path built on it starts with "//".
std::string asPathPrefix(const std::string& folder);

// What follows the last "/": the whole of `path` when it has none.
std::string_view lastComponent(std::string_view path);

// "." or "..": a folder itself or the one above, never an entry of its own.
bool isDotOrDotDot(std::string_view name);

// An application bundle's path: its last component has a name before the
// extension "app" ("Foo.app"; not ".app" nor "Foo.App"). Anything else would
// give an empty or unrelated application name, and the search would match
// far more than one application's files.
bool isBundlePath(std::string_view path);

// Lexically absolute: the current folder in front of a relative path (leading
// "./" dropped, "." the folder itself), no link resolved, so the path still
// names what the user named. Without a current folder it stays relative.
std::string absolutePath(std::string path);

// What the privileged remover accepts: absolute and not "/"; no trailing "/",
// which would name what a final link points to; no last component "."; and
// no ".." anywhere, which would lead root above the folder the path seems to
// name, to an entry nobody listed.
bool isPrivilegedRemovalPath(std::string_view path);

// The path to hand to the privileged remover: `path` without trailing "/",
// when it has a shape the remover accepts; no password is asked for a path it
// would turn down.
std::optional<std::string> privilegedRemovalPath(const std::string& path);

}  // namespace quillmere
