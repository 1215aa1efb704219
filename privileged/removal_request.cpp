#include "privileged/removal_request.h"

#include <cstdio>

namespace quillmere {
namespace {

constexpr char kEntryFlag[] = "--entry";
constexpr std::string_view kRemoved = "removed: ";

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

std::string reportLine(const std::string& path, bool removed, const char* whyNot) {
  return removed ? std::string(kRemoved) + oneLine(path) + "\n"
                 : "not removed: " + oneLine(path) + " (" + whyNot + ")\n";
}

std::vector<bool> removerOutcomes(const std::string& report, std::size_t entries) {
  std::vector<bool> outcomes(entries, false);
  std::size_t from = 0;
  for (std::size_t i = 0; i < entries && from < report.size(); ++i) {
    std::size_t end = report.find('\n', from);
    if (end == std::string::npos) end = report.size();
    outcomes[i] = report.compare(from, kRemoved.size(), kRemoved) == 0;
    from = end + 1;
  }
  return outcomes;
}

}  // namespace quillmere
