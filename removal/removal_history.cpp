#include "removal/removal_history.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "fsys/json_text.h"
#include "fsys/unique_fd.h"

namespace quillmere {
namespace {

std::string outcomeWord(RowOutcome outcome) {
  switch (outcome) {
    case RowOutcome::NotFound: return "absent";
    case RowOutcome::Deleted: return "deleted";
    case RowOutcome::DeletedWithPrivileges: return "deletedWithPrivileges";
    case RowOutcome::Trashed: return "trashed";
    case RowOutcome::Started:
    case RowOutcome::Failed: break;
  }
  return "failed";
}

std::string newId() {
  static const char kHex[] = "0123456789abcdef";
  const Uuid uuid = Uuid::random();
  std::string id;
  for (std::size_t i = 0; i < 6; ++i) id += {kHex[uuid.bytes()[i] >> 4], kHex[uuid.bytes()[i] & 15]};
  return id;
}

std::string optionalNumber(const std::optional<std::uint64_t>& n) { return n ? std::to_string(*n) : "null"; }

// Makes the folders above the history file (new ones 0700, the user's own).
void makeParents(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0700);
}

std::string readAll(int fd) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, std::size_t(n));
  }
  return text;
}

// Every complete line of the file: text after the last "\n" is a torn write.
std::vector<std::string> completeLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
    if (end > from) lines.push_back(text.substr(from, end - from));
  return lines;
}

bool writeOnce(int fd, const std::string& text) {
  ssize_t n;
  do n = write(fd, text.data(), text.size());
  while (n < 0 && errno == EINTR);
  return n == ssize_t(text.size());
}

}  // namespace

std::string timeText(std::int64_t seconds, const char* format, bool local) {
  const std::time_t t = std::time_t(seconds);
  std::tm parts{};
  if (local)
    localtime_r(&t, &parts);
  else
    gmtime_r(&t, &parts);
  char text[64];
  return std::strftime(text, sizeof text, format, &parts) ? text : "";
}

std::uint64_t HistoryRecord::totalSize() const {
  std::uint64_t total = 0;
  for (const HistoryRow& row : rows)
    if (row.size && row.outcome != "failed" && row.outcome != "absent" && row.outcome != "pending") total += *row.size;
  return total;
}

bool HistoryRecord::hasTrashedRows() const {
  return std::any_of(rows.begin(), rows.end(), [](const HistoryRow& row) { return row.outcome == "trashed"; });
}

bool HistoryRecord::unfinished() const {
  return std::any_of(rows.begin(), rows.end(), [](const HistoryRow& row) { return row.outcome == "pending"; });
}

bool HistoryRecord::canPutBack() const { return hasTrashedRows() || (trashed && unfinished()); }

std::string trashInfoOf(const std::string& trashedPath) {
  const std::size_t slash = trashedPath.rfind('/');
  if (slash == std::string::npos || slash < 6 || trashedPath.compare(slash - 6, 6, "/files") != 0) return {};
  const std::string trash = trashedPath.substr(0, slash - 6);
  const std::string info = trash + "/info/" + trashedPath.substr(slash + 1) + ".trashinfo";
  struct stat st;
  return lstat(info.c_str(), &st) == 0 ? info : std::string();
}

HistoryRecord pendingRecordOf(const AppInfo& app, const RemovalOptions& options,
                              const std::vector<std::optional<std::uint64_t>>& sizes) {
  HistoryRecord record;
  record.id = newId();
  record.time = std::int64_t(std::time(nullptr));
  record.appName = app.name();
  record.identifier = app.bundleIdentifier();
  record.bundlePath = app.path();
  record.trashed = options.toTrash;
  for (std::size_t i = 0; i < app.rows.size(); ++i) {
    const ListedRow& listed = app.rows[i];
    HistoryRow& row = record.rows.emplace_back();
    row.path = listed.path;
    if (listed.evidence)
      row.evidence = evidenceKeyword(listed.evidence->kind);
    else if (listed.path == app.path())
      row.evidence = evidenceKeyword(Evidence::Bundle);
    if (i < sizes.size()) row.size = sizes[i];
    row.identity = listed.identity;
    row.outcome = "pending";
  }
  return record;
}

HistoryRecord recordOf(HistoryRecord record, const std::vector<RowEvent>& events) {
  record.time = std::int64_t(std::time(nullptr));
  for (HistoryRow& row : record.rows) row.outcome = "failed";  // a row the removal never reported did not go
  for (const RowEvent& event : events) {
    if (event.row >= record.rows.size() || event.outcome == RowOutcome::Started) continue;
    HistoryRow& row = record.rows[event.row];
    row.outcome = outcomeWord(event.outcome);
    if (event.outcome == RowOutcome::Trashed) {
      row.trashedPath = event.detail;
      row.trashInfo = trashInfoOf(event.detail);
    } else if (event.outcome == RowOutcome::Failed) {
      row.reason = event.detail;
    }
  }
  return record;
}

std::string historyLine(const HistoryRecord& r) {
  std::string line = "{\"id\":" + jsonString(r.id) + ",\"time\":" + jsonString(timeText(r.time, "%Y-%m-%dT%H:%M:%SZ", false)) +
                     ",\"unixTime\":" + std::to_string(r.time) + ",\"app\":{\"name\":" + jsonString(r.appName) +
                     ",\"identifier\":" + (r.identifier ? jsonString(*r.identifier) : "null") +
                     ",\"path\":" + jsonString(r.bundlePath) + "},\"mode\":\"" + (r.trashed ? "trash" : "delete") +
                     (r.unfinished() ? "\",\"unfinished\":true" : "\"") + ",\"rows\":[";
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const HistoryRow& row = r.rows[i];
    line += std::string(i ? "," : "") + "{\"path\":" + jsonString(row.path) + ",\"evidence\":" +
            jsonString(row.evidence) + ",\"size\":" + optionalNumber(row.size) + ",\"outcome\":" +
            jsonString(row.outcome);
    if (row.identity)
      line += ",\"device\":" + std::to_string(row.identity->device) + ",\"inode\":" +
              std::to_string(row.identity->inode) + ",\"type\":" + std::to_string(row.identity->type);
    if (!row.trashedPath.empty()) line += ",\"trashedPath\":" + jsonString(row.trashedPath);
    if (!row.trashInfo.empty()) line += ",\"trashInfo\":" + jsonString(row.trashInfo);
    if (!row.reason.empty()) line += ",\"reason\":" + jsonString(row.reason);
    line += "}";
  }
  return line + "]}\n";
}

std::optional<HistoryRecord> parseHistoryLine(const std::string& line) {
  const std::optional<JsonValue> json = parseJson(line);
  if (!json || json->kind != JsonValue::Kind::Object) return std::nullopt;
  const JsonValue* app = json->find("app");
  const JsonValue* rows = json->find("rows");
  const auto id = json->stringAt("id");
  const auto time = json->unsignedAt("unixTime");
  if (!app || !rows || rows->kind != JsonValue::Kind::Array || !id || !time) return std::nullopt;
  HistoryRecord record;
  record.id = *id;
  record.time = std::int64_t(*time);
  record.appName = app->stringAt("name").value_or("");
  record.identifier = app->stringAt("identifier");
  record.bundlePath = app->stringAt("path").value_or("");
  record.trashed = json->stringAt("mode") == "trash";
  for (const JsonValue& item : rows->items) {
    HistoryRow& row = record.rows.emplace_back();
    const auto path = item.stringAt("path");
    if (!path) return std::nullopt;
    row.path = *path;
    row.evidence = item.stringAt("evidence").value_or("");
    row.size = item.unsignedAt("size");
    row.outcome = item.stringAt("outcome").value_or("failed");
    const auto device = item.unsignedAt("device"), inode = item.unsignedAt("inode");
    if (device && inode)
      row.identity = EntryIdentity{*device, *inode, std::uint32_t(item.unsignedAt("type").value_or(0))};
    row.trashedPath = item.stringAt("trashedPath").value_or("");
    row.trashInfo = item.stringAt("trashInfo").value_or("");
    row.reason = item.stringAt("reason").value_or("");
  }
  return record;
}

RemovalHistory::RemovalHistory(std::string path, std::uint64_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

bool RemovalHistory::append(const HistoryRecord& record) const {
  makeParents(path_);
  std::string line = historyLine(record);
  for (int attempt = 0; attempt < 8; ++attempt) {
    UniqueFd fd(open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return false;
    // One writer at a time, and on the file that is at the path now: another
    // program may have renamed a shorter one over it while we waited.
    if (flock(fd.get(), LOCK_EX) != 0) return false;
    struct stat opened, current;
    if (fstat(fd.get(), &opened) != 0) return false;
    if (stat(path_.c_str(), &current) != 0 || current.st_ino != opened.st_ino || current.st_dev != opened.st_dev)
      continue;
    std::uint64_t size = std::uint64_t(opened.st_size);
    if (size + line.size() > maxBytes_) {
      // The newest records that fit in half the bound go to a fresh file,
      // which replaces the old one whole: a crash leaves one or the other.
      lseek(fd.get(), 0, SEEK_SET);
      const std::vector<std::string> lines = completeLines(readAll(fd.get()));
      std::vector<const std::string*> kept;
      std::uint64_t budget = maxBytes_ / 2 > line.size() ? maxBytes_ / 2 - line.size() : 0;
      for (auto it = lines.rbegin(); it != lines.rend() && it->size() + 1 <= budget; ++it) {
        budget -= it->size() + 1;
        kept.push_back(&*it);
      }
      std::string text;
      for (auto it = kept.rbegin(); it != kept.rend(); ++it) text += **it + "\n";
      std::string temp = path_ + ".XXXXXX";
      UniqueFd out(mkstemp(temp.data()));
      if (!out) return false;
      if (!writeOnce(out.get(), text + line) || fsync(out.get()) != 0 || rename(temp.c_str(), path_.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
      }
      return true;
    }
    // A torn last line (a crash mid-write) must not swallow this record:
    // it starts on a line of its own.
    char last = '\n';
    if (size > 0 && pread(fd.get(), &last, 1, off_t(size - 1)) != 1) return false;
    return writeOnce(fd.get(), (last == '\n' ? "" : "\n") + line);
  }
  return false;
}

std::vector<HistoryRecord> RemovalHistory::records() const {
  std::vector<HistoryRecord> records;
  UniqueFd fd(open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd) return records;
  // A removal writes its record when it starts and again when it ends: the
  // later one replaces the earlier where the earlier stood.
  std::unordered_map<std::string, std::size_t> at;
  for (const std::string& line : completeLines(readAll(fd.get())))
    if (auto record = parseHistoryLine(line)) {
      const auto [place, fresh] = at.try_emplace(record->id, records.size());
      if (fresh)
        records.push_back(std::move(*record));
      else
        records[place->second] = std::move(*record);
    }
  return records;
}

std::optional<HistoryRecord> RemovalHistory::find(const std::string& id) const {
  for (HistoryRecord& record : records())
    if (record.id == id) return std::move(record);
  return std::nullopt;
}

}  // namespace quillmere
