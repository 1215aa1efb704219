#include "platform/home_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "fsys/path_text.h"

namespace quillmere {

std::string currentHomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    return withoutTrailingSlashes(home);
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    return withoutTrailingSlashes(pw->pw_dir);
  return "/";
}

}  // namespace quillmere
