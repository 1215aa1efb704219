#pragma once
// Runs a piece of a test as an ordinary user, where file permissions stop
// reads and removals the way they do on a user's machine (as root nothing is
// refused). The work runs in a forked child; its answer comes back as bytes.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::safety {

// The uid and gid of "nobody", or nothing when there is no such user.
struct UserIds {
  unsigned uid = 0;
  unsigned gid = 0;
};
std::optional<UserIds> ordinaryUser();

// An account made for one test, with its home folder where the test says
// (not created), deleted again with its group when the test is over. Needs
// root and useradd; valid() is false where it could not be made.
class TemporaryUser {
public:
  explicit TemporaryUser(const std::string& home);
  ~TemporaryUser();
  TemporaryUser(const TemporaryUser&) = delete;
  TemporaryUser& operator=(const TemporaryUser&) = delete;

  bool valid() const { return valid_; }
  const UserIds& ids() const { return ids_; }
  const std::string& name() const { return name_; }

private:
  std::string name_;
  UserIds ids_;
  bool valid_ = false;
};

// Runs `work` in a child switched to `user` and returns what it returned;
// nothing when the child could not switch, crashed or exited otherwise.
// Call it with no other threads running.
std::optional<std::string> runAsUser(const UserIds& user, const std::function<std::string()>& work);

// Copies `program` into `folder`, runnable by everyone, for a test that runs
// it as another user: a build inside a folder closed to others, such as
// root's home, is out of their reach. Returns the copy's path, or nothing.
std::optional<std::string> runnableCopy(const std::string& program, const std::string& folder);

// NUL-separated fields, for answers made of paths.
std::string joinFields(const std::vector<std::string>& fields);
std::vector<std::string> splitFields(const std::string& joined);

}  // namespace quillmere::safety
