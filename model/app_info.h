#pragma once
// The record of one analysed application: who it is, where its bundle lies,
// how it looks, and which paths a removal will delete, in deletion order.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "matching/evidence.h"
#include "fsys/entry_identity.h"

namespace quillmere {

// A random (version 4) UUID drawn from libuuid.
class Uuid {
public:
  static Uuid random();
  const std::array<unsigned char, 16>& bytes() const { return bytes_; }
  friend bool operator==(const Uuid&, const Uuid&) = default;

private:
  std::array<unsigned char, 16> bytes_{};
};

// An icon as the bundle ships it: the file it came from and its raw bytes.
// Opaque to the core; the window decodes it. Shared between copies of a record.
struct IconImage {
  std::string filePath;  // bytes of the path, as found
  std::string data;      // file contents, as read
};

// Why a folder could not be searched: file permissions, or (on macOS) the
// system's privacy protection, which Full Disk Access lifts.
enum class Refusal : unsigned char { Permission, Privacy };

struct UnreadableFolder {
  std::string path;
  Refusal reason = Refusal::Permission;
  friend bool operator==(const UnreadableFolder&, const UnreadableFolder&) = default;
};

// One row of a record's list: a path the removal deletes, what it named when
// listed (the removal deletes only that; none: nothing is deleted at it), why
// it is thought to be the application's (none: nothing decided it, and the row
// is taken by default), and for a row of the background places what the search
// found in it.
struct ListedRow {
  std::string path;
  std::optional<EntryIdentity> identity;
  std::optional<RowEvidence> evidence;
  std::optional<Evidence> found;
};

class AppInfo {
public:
  AppInfo(std::string name, std::string path, std::optional<std::string> bundleIdentifier,
          std::shared_ptr<const IconImage> icon, std::vector<std::string> relatedFiles = {});

  const Uuid& id() const { return id_; }
  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  const std::optional<std::string>& bundleIdentifier() const { return bundleIdentifier_; }
  const std::shared_ptr<const IconImage>& icon() const { return icon_; }

  // The rows the removal deletes, in order; the bundle's comes last. The only
  // field that may change after construction.
  std::vector<ListedRow> rows;
  // Their paths, in order (a copy).
  std::vector<std::string> relatedFiles() const;
  // Every row's evidence, in order; empty when no row has any.
  std::vector<RowEvidence> evidence() const;
  // Keeps the rows whose `keep` is true, in order.
  void keepRows(const std::vector<bool>& keep);

  // Records what each listed path names now, by path.
  using IdentityTable = std::unordered_map<std::string, EntryIdentity>;
  void setIdentities(const IdentityTable& identities);

  // Folders the search could not read: what it found may be incomplete.
  std::vector<UnreadableFolder> unreadableFolders;
  // Files read for their content (launchd lists, container metadata) that were
  // passed over unread: no regular file, too large, or failing to read.
  std::size_t unreadFiles = 0;
  // The symbolic link the bundle was dropped or chosen as, or "": listed as a
  // row of its own just before the bundle, and deleted as a link.
  std::string link;
  // Programs running from inside the bundle when it was analysed.
  std::vector<std::string> runningPrograms;

private:
  Uuid id_;
  std::string name_;
  std::string path_;
  std::optional<std::string> bundleIdentifier_;
  std::shared_ptr<const IconImage> icon_;
};

}  // namespace quillmere
