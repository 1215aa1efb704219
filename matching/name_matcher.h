#pragma once
// Case-insensitive, canonically equivalent substring tests of directory-entry
// names against an application's name and bundle identifier. Works on raw
// file-system bytes: text that is not valid UTF-8 is still compared, its
// invalid bytes standing for themselves.

#include <string>
#include <string_view>

namespace quillmere {

// True for a code point that is a letter or a digit of any script.
bool isLetterOrDigit(char32_t codePoint);

// The needles a search uses. Names that cannot be a real application's (a
// name of punctuation alone, as "..app" gives, or an identifier such as "."
// or "plist", which would list most of a Library) become empty: they match
// nothing. An identifier needs two or more dot-separated labels, each holding
// a letter or digit.
std::string searchableName(std::string_view appName);
std::string searchableIdentifier(std::string_view identifier);

// How a text is brought to its matching form. Both give the same bytes for
// every input; Fast lower-cases pure-ASCII text byte by byte and sends only
// text holding other bytes through the Unicode mapping, UnicodeOnly sends
// everything through it (the reference the shortcut is checked against).
enum class FoldPath { Fast, UnicodeOnly };

// `text` lower-cased with the full Unicode default mapping (locale-free) and
// brought to NFC. Valid UTF-8 runs are mapped; invalid bytes are copied as is.
std::string matchingForm(std::string_view text, FoldPath path = FoldPath::Fast);

// `text` in NFC, invalid bytes copied as is: the key found paths are ordered by.
// Byte order of this key is code-point order of the normalised text.
std::string canonicalForm(std::string_view text);

// The three name rules of one analysis (evidence.h), with its needles lower-cased once.
// Immutable after construction, so one matcher serves several walking threads.
class NameMatcher {
public:
  // An empty bundle identifier stands for "none": it never matches.
  NameMatcher(std::string_view appName, std::string_view bundleIdentifier, FoldPath path = FoldPath::Fast);

  // The name rule or the identifier rule (evidence.h): the entry's own name
  // contains the application name or the bundle identifier. Empty needles
  // never match.
  bool matchesName(std::string_view entryName) const;

  // True when a folder of this name puts "/name/" into the root-relative text
  // of everything below it (the folder rule, decided one folder at a time).
  bool isNameFolder(std::string_view folderName) const;

  // The three name rules for an entry given by its root-relative text ("/a/b/c",
  // beginning with "/"): the reference form of the rule, for tests and fuzzing.
  bool matchesEntry(std::string_view relativeText) const;

private:
  std::string name_;        // matching form of the application name
  std::string identifier_;  // matching form of the bundle identifier
  std::string slashedName_; // "/" + name_ + "/"
  FoldPath path_;
};

}  // namespace quillmere
