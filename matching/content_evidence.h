#pragma once
// Evidence from what an entry holds or how the system names it, beyond its
// name (step 2 of the rules in evidence.h).

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The file in a container (or group container) that names its owner.
inline constexpr char kContainerMetadataName[] = ".com.apple.containermanagerd.metadata.plist";

// True when `program` (absolute, as a launchd list writes it) lies inside the
// bundle at `bundlePath`. `systemRoot` is where the lists' "/" lies for this
// search (an injected root holds its own /Applications): a bundle under it
// is also compared without it. Letter case and Unicode forms are folded, as
// the Mac's file system does; a ".." anywhere never lies inside.
bool programLiesInBundle(std::string_view program, std::string_view bundlePath, std::string_view systemRoot);

// MCMMetadataIdentifier of a container's metadata list, when a string.
std::optional<std::string> parseContainerIdentifier(std::string_view bytes);

// A group container's folder name ("<TEAM ID>.<rest>" with a ten-character
// upper-case team, or "group.<rest>") that holds the app's identifier (the
// rest is it or begins with it and a "."), or the identifier's vendor prefix
// (all but its last label, at least two labels) followed by the app's name
// as a word. A vendor's shared group alone names no single app.
bool groupContainerNamesApp(std::string_view folderName, std::string_view identifier, std::string_view appName);

// A launchd list that starts a program inside the bundle or names `identifier` as an owner.
bool launchJobBelongs(std::string_view listBytes, std::string_view bundlePath, std::string_view identifier,
                      std::string_view systemRoot);

// A container's metadata list that names `identifier` as its owner.
bool containerBelongs(std::string_view metadataBytes, std::string_view identifier);

}  // namespace quillmere
