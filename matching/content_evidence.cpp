#include "matching/content_evidence.h"

#include <algorithm>
#include <vector>

#include "fsys/property_list.h"
#include "launchd/launch_jobs.h"
#include "matching/name_matcher.h"

namespace quillmere {
namespace {

// Cheap test before parsing: the needle must appear in the bytes (ASCII
// letters compared without case). A binary list stores non-ASCII text as
// UTF-16, so a needle that is not ASCII always passes.
bool mayHold(std::string_view bytes, std::string_view needle) {
  if (needle.empty()) return false;
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : char(c); };
  if (!isAscii(needle)) return true;
  return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end(),
                     [&](char a, char b) { return lower((unsigned char)a) == lower((unsigned char)b); }) != bytes.end();
}

bool sameIdentifier(std::string_view a, std::string_view b) {
  return !a.empty() && !b.empty() && matchingForm(a) == matchingForm(b);
}

// The components of an absolute path, empty ones and "." dropped; nothing
// for a relative path or one holding "..".
std::optional<std::vector<std::string_view>> components(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::vector<std::string_view> parts;
  for (const std::string_view part : splitAt(path, '/')) {
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  return parts;
}

bool startsWithComponents(const std::vector<std::string_view>& path, const std::vector<std::string_view>& prefix) {
  if (prefix.empty() || path.size() <= prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (path[i] != prefix[i] && matchingForm(path[i]) != matchingForm(prefix[i])) return false;
  return true;
}

bool isTeamIdentifier(std::string_view label) {
  return label.size() == 10 &&
         std::all_of(label.begin(), label.end(), [](char c) { return (c >= 'A' && c <= 'Z') || isAsciiDigit(c); });
}

bool isSeparator(char c) { return c == '.' || c == '-' || c == '_' || c == ' '; }

// `word` in `text` with a boundary (an end, ".", "-", "_" or a space) on both sides.
bool holdsWord(const std::string& text, const std::string& word) {
  if (word.empty()) return false;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const std::size_t end = at + word.size();
    if ((at == 0 || isSeparator(text[at - 1])) && (end == text.size() || isSeparator(text[end]))) return true;
  }
  return false;
}

}  // namespace

bool programLiesInBundle(std::string_view program, std::string_view bundlePath, std::string_view systemRoot) {
  const auto programParts = components(program);
  const auto bundleParts = components(bundlePath);
  if (!programParts || !bundleParts) return false;
  if (startsWithComponents(*programParts, *bundleParts)) return true;
  const auto rootParts = components(systemRoot);
  if (!rootParts || rootParts->empty() || !startsWithComponents(*bundleParts, *rootParts)) return false;
  const std::vector<std::string_view> belowRoot(bundleParts->begin() + std::ptrdiff_t(rootParts->size()),
                                                bundleParts->end());
  return startsWithComponents(*programParts, belowRoot);
}

std::optional<std::string> parseContainerIdentifier(std::string_view bytes) {
  std::optional<std::string> identifier;
  readPropertyListDictionary(bytes, [&](plist_t root) {
    identifier = stringValue(lastValueOf(root, "MCMMetadataIdentifier"));
  });
  return identifier;
}

bool groupContainerNamesApp(std::string_view folderName, std::string_view identifier, std::string_view appName) {
  std::string_view rest;
  const std::size_t dot = folderName.find('.');
  if (folderName.starts_with("group.")) {
    rest = folderName.substr(6);
  } else if (dot != std::string_view::npos && isTeamIdentifier(folderName.substr(0, dot))) {
    rest = folderName.substr(dot + 1);
    if (rest.starts_with("group.")) rest.remove_prefix(6);
  } else {
    return false;
  }
  const std::string folded = matchingForm(rest);
  const std::string id = matchingForm(identifier);
  if (id.empty() || id.find('.') == std::string::npos) return false;
  if (folded == id || folded.starts_with(id + ".")) return true;

  const std::string vendor = id.substr(0, id.rfind('.'));
  if (vendor.find('.') == std::string::npos || !folded.starts_with(vendor + ".")) return false;
  const std::string tail = folded.substr(vendor.size() + 1);
  const std::string name = matchingForm(appName);
  // "Foo Writer" is also written "foowriter", "foo-writer" or "foo_writer" in names.
  for (const char* space : {"", "-", "_", " "}) {
    std::string spelled;
    for (char c : name) {
      if (c == ' ') spelled += space;
      else spelled += c;
    }
    if (holdsWord(tail, spelled)) return true;
  }
  return false;
}

bool launchJobBelongs(std::string_view listBytes, std::string_view bundlePath, std::string_view identifier,
                      std::string_view systemRoot) {
  // A job names its program by path, so the bundle's folder name is in it.
  const std::string_view bundle = bundlePath.substr(0, bundlePath.find_last_not_of('/') + 1);
  const std::string_view bundleName = bundle.substr(bundle.rfind('/') + 1);
  if (!mayHold(listBytes, bundleName) && !mayHold(listBytes, identifier)) return false;
  const std::optional<LaunchJob> job = parseLaunchJob(listBytes);
  if (!job) return false;
  for (const std::string& program : job->programs)
    if (programLiesInBundle(program, bundlePath, systemRoot)) return true;
  for (const std::string& owner : job->associatedBundleIdentifiers)
    if (sameIdentifier(owner, identifier)) return true;
  return false;
}

bool containerBelongs(std::string_view metadataBytes, std::string_view identifier) {
  if (!mayHold(metadataBytes, identifier)) return false;
  const std::optional<std::string> owner = parseContainerIdentifier(metadataBytes);
  return owner && sameIdentifier(*owner, identifier);
}

}  // namespace quillmere
