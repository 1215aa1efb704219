#include "matching/name_matcher.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace quillmere {

bool isAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool contains(std::string_view text, std::string_view needle) {
  return !needle.empty() && text.find(needle) != std::string_view::npos;
}

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    pieces.push_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) return pieces;
    from = at + 1;
  }
}

namespace {

// Lower-cases `text` into `out` byte by byte; false when a byte is not ASCII
// (then `out` holds nothing of use). No branch per byte, so it vectorises.
bool lowerAscii(std::string_view text, char* out) {
  unsigned char seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    seen |= c;
    out[i] = char(c + (unsigned(c - 'A') < 26u ? 'a' - 'A' : 0));
  }
  return seen < 0x80;
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// NFC of one valid UTF-8 run, lower-cased on the way when `lower` is set.
//
// utf8proc has only the simple (one code point) lower-case mapping. The full
// default mapping differs from it, unconditionally, for U+0130 alone, and
// U+0130 canonically decomposes to "I" + U+0307. Lower-casing the canonical
// decomposition therefore yields the full mapping, and case mapping preserves
// canonical equivalence, so NFC(lower(NFD(x))) is the NFC of the full
// lower-case form without any table of our own.
void appendNormalizedRun(std::string& out, std::string_view run, bool lower) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(run.data());
  const auto length = static_cast<utf8proc_ssize_t>(run.size());
  if (!lower) {
    utf8proc_uint8_t* mapped = nullptr;
    utf8proc_ssize_t n = utf8proc_map(bytes, length, &mapped, utf8proc_option_t(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    std::unique_ptr<utf8proc_uint8_t, FreeDeleter> owner(mapped);
    // A run too large to map: keeping its bytes would make a name miss
    // that should match, and the search list less without saying so.
    if (n == UTF8PROC_ERROR_NOMEM) throw std::bad_alloc();
    if (n < 0) out.append(run);  // cannot happen for a valid run; keep the bytes
    else out.append(reinterpret_cast<const char*>(mapped), size_t(n));
    return;
  }
  const auto decompose = utf8proc_option_t(UTF8PROC_STABLE | UTF8PROC_DECOMPOSE);
  std::vector<utf8proc_int32_t> points(run.size() + 4);
  utf8proc_ssize_t count = utf8proc_decompose(bytes, length, points.data(), utf8proc_ssize_t(points.size()), decompose);
  if (count > utf8proc_ssize_t(points.size())) {
    points.resize(size_t(count));
    count = utf8proc_decompose(bytes, length, points.data(), count, decompose);
  }
  if (count < 0) {
    out.append(run);
    return;
  }
  for (utf8proc_ssize_t i = 0; i < count; ++i) points[size_t(i)] = utf8proc_tolower(points[size_t(i)]);
  // Re-encode as UTF-8 and take the full NFC of that, so that a lower-case
  // letter which itself decomposes would still be ordered and composed right.
  std::string lowered;
  lowered.reserve(size_t(count) * 2);
  utf8proc_uint8_t buffer[4];
  for (utf8proc_ssize_t i = 0; i < count; ++i) {
    utf8proc_ssize_t n = utf8proc_encode_char(points[size_t(i)], buffer);
    lowered.append(reinterpret_cast<const char*>(buffer), size_t(n));
  }
  appendNormalizedRun(out, lowered, false);
}

// Splits `text` into maximal valid UTF-8 runs, normalises each and copies the
// bytes between them unchanged.
std::string normalize(std::string_view text, bool lower, FoldPath path) {
  // ASCII is its own NFC, and its default lower-case mapping is A-Z to a-z.
  if (path == FoldPath::Fast && isAscii(text)) {
    std::string out(text);
    if (lower) lowerAscii(text, out.data());
    return out;
  }
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  size_t runStart = 0, i = 0;
  while (i < text.size()) {
    utf8proc_int32_t cp;
    utf8proc_ssize_t n = utf8proc_iterate(bytes + i, utf8proc_ssize_t(text.size() - i), &cp);
    if (n > 0) {
      i += size_t(n);
      continue;
    }
    if (i > runStart) appendNormalizedRun(out, text.substr(runStart, i - runStart), lower);
    out.push_back(text[i]);
    runStart = ++i;
  }
  if (i > runStart) appendNormalizedRun(out, text.substr(runStart, i - runStart), lower);
  return out;
}

// The matching form of one entry name. A directory entry's name is at most
// 255 bytes, so an ASCII name is folded on the stack: no allocation and no
// Unicode work for the names that make up nearly every Library.
class FoldedText {
public:
  FoldedText(std::string_view text, FoldPath path) {
    if (path == FoldPath::Fast && text.size() <= sizeof buffer_ && lowerAscii(text, buffer_)) {
      view_ = std::string_view(buffer_, text.size());
    } else {
      heap_ = matchingForm(text, path);
      view_ = heap_;
    }
  }
  FoldedText(const FoldedText&) = delete;
  FoldedText& operator=(const FoldedText&) = delete;
  std::string_view view() const { return view_; }
  // The text with its separators alike (separatorsAlike), changed in place.
  std::string_view alike() {
    char* const text = view_.data() == buffer_ ? buffer_ : heap_.data();
    std::transform(text, text + view_.size(), text, [](char c) { return c == '-' || c == '_' || c == '.' ? ' ' : c; });
    return view_;
  }

private:
  char buffer_[256];
  std::string heap_;
  std::string_view view_;
};

// True for a code point that is a letter or a digit of any script.
bool isLetterOrDigit(char32_t codePoint) {
  if (codePoint < 0x80) return (codePoint | 0x20) - 'a' < 26u || codePoint - '0' < 10u;
  if (codePoint > 0x10FFFF) return false;
  switch (utf8proc_category(utf8proc_int32_t(codePoint))) {
    case UTF8PROC_CATEGORY_LU: case UTF8PROC_CATEGORY_LL: case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM: case UTF8PROC_CATEGORY_LO: case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL: case UTF8PROC_CATEGORY_NO:
      return true;
    default:
      return false;
  }
}

// True when the text holds a letter or a digit of any script. Bytes that are
// not UTF-8 count as neither.
bool holdsLetterOrDigit(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = utf8proc_ssize_t(text.size());
  for (utf8proc_ssize_t at = 0; at < size;) {
    utf8proc_int32_t codePoint = -1;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + at, size - at, &codePoint);
    if (length <= 0) {
      ++at;
      continue;
    }
    at += length;
    if (isLetterOrDigit(codePoint)) return true;
  }
  return false;
}

// A bundle identifier that could be a real application's: two or more labels
// between dots, none empty, each holding a letter or digit. "." or "plist"
// as a needle would list most of a Library.
bool couldBeAnIdentifier(std::string_view identifier) {
  const std::vector<std::string_view> labels = splitAt(identifier, '.');
  return labels.size() >= 2 && std::all_of(labels.begin(), labels.end(), holdsLetterOrDigit);
}

// Whether the character that ends just before `at` / starts at `at` is a
// letter or a digit. Bytes that are not UTF-8 are neither.
bool wordCharBefore(std::string_view text, std::size_t at) {
  if (at == 0) return false;
  std::size_t start = at - 1;
  while (start > 0 && at - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  utf8proc_int32_t codePoint = -1;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data()) + start;
  const utf8proc_ssize_t length = utf8proc_iterate(bytes, utf8proc_ssize_t(at - start), &codePoint);
  return length == utf8proc_ssize_t(at - start) && isLetterOrDigit(char32_t(codePoint));
}

bool wordCharAt(std::string_view text, std::size_t at) {
  if (at >= text.size()) return false;
  utf8proc_int32_t codePoint = -1;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data()) + at;
  return utf8proc_iterate(bytes, utf8proc_ssize_t(text.size() - at), &codePoint) > 0 &&
         isLetterOrDigit(char32_t(codePoint));
}

}  // namespace

std::string searchableName(std::string_view appName) {
  return holdsLetterOrDigit(appName) ? std::string(appName) : std::string();
}

std::string searchableIdentifier(std::string_view identifier) {
  return couldBeAnIdentifier(identifier) ? std::string(identifier) : std::string();
}

std::string separatorsAlike(std::string text) {
  for (char& c : text)
    if (c == '-' || c == '_' || c == '.') c = ' ';
  return text;
}

std::string lettersAndDigits(std::string_view text) {
  std::string out;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'a' && c <= 'z') || isAsciiDigit(c)) out.push_back(c);
  return out;
}

bool standsBounded(std::string_view text, std::string_view needle, bool digitsMayFollow) {
  if (needle.empty()) return false;
  const bool wordStart = wordCharAt(needle, 0);
  const bool wordEnd = wordCharBefore(needle, needle.size());
  for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + 1)) {
    if (wordStart && wordCharBefore(text, at)) continue;
    std::size_t end = at + needle.size();
    if (digitsMayFollow)
      while (end < text.size() && isAsciiDigit(text[end])) ++end;
    if (wordEnd && wordCharAt(text, end)) continue;
    return true;
  }
  return false;
}

std::vector<Spelling> otherSpellings(std::string_view foldedName, std::string_view foldedIdentifier) {
  std::vector<Spelling> spellings;
  const auto add = [&](std::string words, bool versionDropped) {
    Spelling spelling{std::move(words), versionDropped};
    if (!spelling.words.empty() &&
        std::find(spellings.begin(), spellings.end(), spelling) == spellings.end())
      spellings.push_back(std::move(spelling));
  };
  const std::string words = separatorsAlike(std::string(foldedName));
  const std::string joined = lettersAndDigits(words);
  if (words.find(' ') != std::string::npos) add(words, false);
  if (joined != words) add(joined, false);
  // A version is a word of digits at the end ("Alfred 4", "Parallels Desktop
  // 18.1"); what is left must still be a name of its own.
  std::string_view shortened = words;
  for (;;) {
    const std::size_t space = shortened.find_last_of(' ');
    if (space == std::string_view::npos) break;
    const std::string_view last = shortened.substr(space + 1);
    if (!last.empty() && !std::all_of(last.begin(), last.end(), isAsciiDigit)) break;
    shortened = shortened.substr(0, space);
  }
  while (!shortened.empty() && shortened.back() == ' ') shortened.remove_suffix(1);
  if (shortened.size() < words.size() && lettersAndDigits(shortened).size() >= 3) {
    add(std::string(shortened), true);
    add(lettersAndDigits(shortened), true);
  }
  // An edition word cannot be told from a name's own by the word itself; the
  // identifier, which the vendor gives the product, tells it.
  const std::size_t lastWord = shortened.find_last_of(' ');
  const std::size_t lastLabel = foldedIdentifier.find_last_of('.');
  if (lastWord != std::string_view::npos && lastLabel != std::string_view::npos) {
    const std::string_view rest = shortened.substr(0, lastWord);
    const std::string label = lettersAndDigits(foldedIdentifier.substr(lastLabel + 1));
    if (label.size() >= 3 && lettersAndDigits(rest) == label) {
      add(std::string(rest), true);
      add(label, true);
    }
  }
  return spellings;
}

bool standsAsSpelling(std::string_view words, const Spelling& spelling) {
  if (!spelling.versionDropped) return standsBounded(words, spelling.words, true);
  // Without its version a name is often a common word ("Studio" of "Studio
  // 2"): it must begin the entry's name and leave at most one more word, no
  // number ("Logs/1Password", "Alfred.plist", not "obs-studio" or "Alfred 3").
  if (!words.starts_with(spelling.words)) return false;
  const std::string_view rest = words.substr(spelling.words.size());
  if (rest.empty()) return true;
  return rest.size() > 1 && rest[0] == ' ' && !isAsciiDigit(rest[1]) && rest.find(' ', 1) == std::string_view::npos;
}

std::string matchingForm(std::string_view text, FoldPath path) { return normalize(text, true, path); }

std::string canonicalForm(std::string_view text) { return normalize(text, false, FoldPath::Fast); }

NameMatcher::NameMatcher(std::string_view appName, std::string_view bundleIdentifier, FoldPath path)
    : name_(matchingForm(appName, path)),
      identifier_(matchingForm(bundleIdentifier, path)),
      slashedName_("/" + name_ + "/"),
      spellings_(otherSpellings(name_, identifier_)),
      path_(path) {}

bool NameMatcher::matchesName(std::string_view entryName) const {
  const FoldedText folded(entryName, path_);
  return contains(folded.view(), name_) || contains(folded.view(), identifier_);
}

NameMatch NameMatcher::match(std::string_view entryName) const {
  FoldedText folded(entryName, path_);
  if (contains(folded.view(), name_) || contains(folded.view(), identifier_)) return NameMatch::Name;
  if (spellings_.empty()) return NameMatch::None;
  // Separators alike in the folded text itself, on the stack as the folding
  // is: the walk asks this of nearly every entry when the name has spellings.
  const std::string_view alike = folded.alike();
  for (const Spelling& spelling : spellings_)
    if (standsAsSpelling(alike, spelling)) return NameMatch::Spelling;
  return NameMatch::None;
}

bool NameMatcher::isNameFolder(std::string_view folderName) const {
  return !name_.empty() && FoldedText(folderName, path_).view() == name_;
}

bool NameMatcher::matchesEntry(std::string_view relativeText) const {
  size_t slash = relativeText.rfind('/');
  std::string_view name = slash == std::string_view::npos ? relativeText : relativeText.substr(slash + 1);
  if (matchesName(name)) return true;
  return matchingForm(relativeText, path_).find(slashedName_) != std::string::npos;
}

}  // namespace quillmere
