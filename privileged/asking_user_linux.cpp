#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "fsys/entry_identity.h"
#include "fsys/path_text.h"
#include "privileged/asking_user.h"

namespace quillmere {

std::optional<AskingUser> askingUser() {
  uid_t uid = getuid();
  if (const char* text = std::getenv("PKEXEC_UID")) {
    // The same strict decimal as the entries' identities.
    const auto parsed = parseDecimal(text);
    if (!parsed || *parsed > 0xFFFFFFFFu) return std::nullopt;
    uid = uid_t(*parsed);
  }
  AskingUser user{uid, std::nullopt};
  if (const passwd* pw = getpwuid(uid); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    user.home = withoutTrailingSlashes(pw->pw_dir);
  return user;
}

}  // namespace quillmere
