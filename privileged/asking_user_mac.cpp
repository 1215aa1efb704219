#include <pwd.h>
#include <sys/stat.h>

#include "fsys/path_text.h"
#include "privileged/asking_user.h"

namespace quillmere {

// The administrator AppleScript runs us as root and says nothing of who
// asked; the console belongs to the user logged in at the screen, who saw
// the prompt.
std::optional<AskingUser> askingUser() {
  struct stat console;
  if (stat("/dev/console", &console) != 0) return std::nullopt;
  AskingUser user{console.st_uid, std::nullopt};
  if (const passwd* pw = getpwuid(console.st_uid); pw && pw->pw_dir) {
    const std::string home = withoutTrailingSlashes(pw->pw_dir);
    const std::size_t slash = home.rfind('/');
    if (home.rfind("/Users/", 0) == 0 && slash == 6 && home.size() > 7) user.home = home;
  }
  return user;
}

}  // namespace quillmere
