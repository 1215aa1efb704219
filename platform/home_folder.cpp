#include "platform/home_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "fsys/path_text.h"

namespace quillmere {

std::optional<std::string> homeInUserDatabase() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    return withoutTrailingSlashes(pw->pw_dir);
  return std::nullopt;
}

std::string currentHomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return withoutTrailingSlashes(home);
  return homeInUserDatabase().value_or("/");
}

bool searchesOwnFolders(const std::string& home, const std::string& systemRoot) {
  return withoutTrailingSlashes(systemRoot) == "/" && withoutTrailingSlashes(home) == homeInUserDatabase();
}

}  // namespace quillmere
