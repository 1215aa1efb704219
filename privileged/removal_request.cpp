#include "privileged/removal_request.h"

#include <cstdio>

namespace quillmere {
namespace {

constexpr char kEntryFlag[] = "--entry";
constexpr std::string_view kRemoved = "removed: ";
constexpr std::string_view kNotFound = "not found: ";
constexpr std::string_view kNotRemoved = "not removed: ";

std::string oneLine(const std::string& path) {
  std::string line;
  for (const unsigned char c : path) {
    if (c >= 0x20 && c != 0x7f && c != '\\') {
      line += char(c);
      continue;
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\%03o", c);
    line += escaped;
  }
  return line;
}

}  // namespace

std::string identityText(const EntryIdentity& identity) {
  return std::to_string(identity.device) + ":" + std::to_string(identity.inode);
}

std::optional<EntryIdentity> parseIdentityText(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto device = parseDecimal(text.substr(0, colon));
  const auto inode = parseDecimal(text.substr(colon + 1));
  if (!device || !inode) return std::nullopt;
  return EntryIdentity{*device, *inode, 0};
}

std::vector<std::string> removerArguments(const std::vector<PrivilegedEntry>& entries) {
  std::vector<std::string> arguments;
  for (const PrivilegedEntry& entry : entries)
    arguments.insert(arguments.end(), {kEntryFlag, identityText(entry.identity), entry.path});
  return arguments;
}

std::optional<std::vector<PrivilegedEntry>> readRemoverArguments(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments.size() % 3 != 0) return std::nullopt;
  std::vector<PrivilegedEntry> entries;
  for (std::size_t i = 0; i < arguments.size(); i += 3) {
    const auto identity = parseIdentityText(arguments[i + 1]);
    if (arguments[i] != kEntryFlag || !identity) return std::nullopt;
    entries.push_back({arguments[i + 2], *identity});
  }
  return entries;
}

std::string reportLine(const std::string& path, RemoverAnswer answer, const char* whyNot) {
  switch (answer) {
    case RemoverAnswer::Removed: return std::string(kRemoved) + oneLine(path) + "\n";
    case RemoverAnswer::NotFound: return std::string(kNotFound) + oneLine(path) + "\n";
    case RemoverAnswer::NotRemoved: break;
  }
  return std::string(kNotRemoved) + oneLine(path) + " (" + whyNot + ")\n";
}

std::vector<RemoverOutcome> removerOutcomes(const std::string& report, std::size_t entries) {
  std::vector<RemoverOutcome> outcomes(entries);
  std::size_t from = 0;
  for (std::size_t i = 0; i < entries && from < report.size(); ++i) {
    std::size_t end = report.find('\n', from);
    if (end == std::string::npos) break;  // a line cut short says nothing
    const std::string_view line = std::string_view(report).substr(from, end - from);
    from = end + 1;
    if (line.starts_with(kRemoved)) {
      outcomes[i].answer = RemoverAnswer::Removed;
    } else if (line.starts_with(kNotFound)) {
      outcomes[i].answer = RemoverAnswer::NotFound;
    } else if (line.starts_with(kNotRemoved) && line.ends_with(")")) {
      const std::size_t open = line.rfind(" (");
      if (open != std::string_view::npos) outcomes[i].why = line.substr(open + 2, line.size() - open - 3);
    }
  }
  return outcomes;
}

}  // namespace quillmere
