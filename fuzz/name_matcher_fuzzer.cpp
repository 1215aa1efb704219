// Name and bundle-identifier matching on raw bytes. The input is split at the
// first two NUL bytes into an application name, a bundle identifier and an
// entry name. Checked: the folding is stable, canonically equivalent
// spellings fold alike, a name always matches itself, the per-name and
// whole-entry tests agree, the other spellings only add to the name rules,
// and the ASCII shortcut decides as the Unicode path.

#include <utf8proc.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "matching/name_matcher.h"
#include "fuzz/fuzz_check.h"

namespace {

std::string_view nextField(std::string_view& input) {
  const std::size_t nul = input.find('\0');
  const std::string_view field = input.substr(0, nul);
  input = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
  return field;
}

// The decomposed (NFD) spelling of valid UTF-8 text; nothing for invalid text.
std::optional<std::string> decomposed(std::string_view text) {
  utf8proc_uint8_t* mapped = nullptr;
  const utf8proc_ssize_t n =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), utf8proc_ssize_t(text.size()),
                   &mapped, utf8proc_option_t(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE));
  std::optional<std::string> out;
  if (n >= 0) out.emplace(reinterpret_cast<const char*>(mapped), std::size_t(n));
  std::free(mapped);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view appName = nextField(input);
  const std::string_view identifier = nextField(input);
  const std::string_view entry = input;

  for (std::string_view text : {appName, identifier, entry}) {
    const std::string folded = matchingForm(text);
    FUZZ_CHECK(matchingForm(folded) == folded);
    const std::string canonical = canonicalForm(text);
    FUZZ_CHECK(canonicalForm(canonical) == canonical);
    FUZZ_CHECK(matchingForm(canonical) == folded);
    FUZZ_CHECK(matchingForm(text, FoldPath::UnicodeOnly) == folded);
    if (isValidUtf8(text)) {
      FUZZ_CHECK(isValidUtf8(folded) && isValidUtf8(canonical));
      if (auto nfd = decomposed(text)) FUZZ_CHECK(matchingForm(*nfd) == folded);
    }
  }

  const NameMatcher matcher(appName, identifier);
  const NameMatcher reference(appName, identifier, FoldPath::UnicodeOnly);
  FUZZ_CHECK(matcher.matchesName(entry) == reference.matchesName(entry));
  FUZZ_CHECK(matcher.isNameFolder(entry) == reference.isNameFolder(entry));
  // The spelling rule only adds to the name rules, and decides as the Unicode path.
  const NameMatch match = matcher.match(entry);
  FUZZ_CHECK(match == reference.match(entry));
  FUZZ_CHECK((match == NameMatch::Name) == matcher.matchesName(entry));
  if (!matchingForm(appName).empty()) FUZZ_CHECK(matcher.matchesName(appName));
  if (!matchingForm(identifier).empty()) FUZZ_CHECK(matcher.matchesName(identifier));
  if (entry.find('/') == std::string_view::npos) {
    const bool byName = matcher.matchesName(entry);
    FUZZ_CHECK(matcher.matchesEntry("/" + std::string(entry)) == byName);
    // A folder of the application's own name puts everything below it in the list.
    if (matcher.isNameFolder(entry)) FUZZ_CHECK(matcher.matchesEntry("/" + std::string(entry) + "/x"));
  }
  return 0;
}
