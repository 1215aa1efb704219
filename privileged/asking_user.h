#pragma once
// Who asked for the privileged removal: the remover runs as root, so the
// account whose leftovers it may delete comes from what the authorisation
// itself says, never from the environment a user can set (HOME).

#include <sys/types.h>

#include <optional>
#include <string>

namespace quillmere {

struct AskingUser {
  uid_t uid = 0;
  std::optional<std::string> home;  // from the user database; nothing: no home folder is accepted
};

// Linux: the user whose id pkexec put in PKEXEC_UID (root when run by root
// without pkexec). macOS: the user logged in at the console, whose home lies
// below /Users. Nothing when it cannot be told.
std::optional<AskingUser> askingUser();

}  // namespace quillmere
