#pragma once
// Case-insensitive, canonically equivalent substring tests of directory-entry
// names against an application's name and bundle identifier. Works on raw
// file-system bytes: text that is not valid UTF-8 is still compared, its
// invalid bytes standing for themselves.

#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

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

inline bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// True when no byte of `text` lies beyond ASCII.
bool isAscii(std::string_view text);

// `needle` stands somewhere in `text`; an empty needle stands nowhere.
bool contains(std::string_view text, std::string_view needle);

// The pieces of `text` between its `separator`s, empty ones kept: "a..b" gives a, "", b.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// Space, "-", "_" and "." between the words of a name count alike, so
// "google-play-music" holds the name "Google Play Music". One byte for one,
// so positions in the result are positions in the text.
std::string separatorsAlike(std::string text);

// The text without its spaces and punctuation: ASCII letters and digits and
// every byte beyond ASCII kept. For text in matching form.
std::string lettersAndDigits(std::string_view text);

// `needle` stands in `text` not inside a longer word: at the start or after a
// character that is not a letter or digit, and at the end or before one.
// With `digitsMayFollow`, a run of digits may end the word ("Notes 2").
bool standsBounded(std::string_view text, std::string_view needle, bool digitsMayFollow);

// Another way an application's own folders spell its name (evidence.h, the
// spelling rule), as words in matching form with separators alike.
struct Spelling {
  std::string words;
  // The name's trailing version number or edition word left out
  // ("1password" for "1Password 7").
  bool versionDropped = false;
  friend bool operator==(const Spelling&, const Spelling&) = default;
};

// The other spellings of a name given in matching form: its words with "-",
// "_" or "." between them, the name without its spaces and punctuation, and,
// when it ends in a version number, without that (and without its spaces);
// without its last word too when the identifier's last label spells what is
// left ("Docker Desktop", com.docker.docker): the word names an edition.
// A name of one word without a version has none. A shortened name keeps at
// least three letters or digits.
std::vector<Spelling> otherSpellings(std::string_view foldedName, std::string_view foldedIdentifier = {});

// Whether an entry name, in matching form with separators alike, holds the
// spelling as whole words (a run of digits may follow). One that dropped the
// version must begin the name, and at most one word that is no number may
// follow it.
bool standsAsSpelling(std::string_view words, const Spelling& spelling);

// How an entry name matched: by the name or identifier rule, or only by
// another spelling of the name.
enum class NameMatch { None, Name, Spelling };

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

  // The same, and when neither rule takes the entry, whether one of the
  // name's other spellings stands in it.
  NameMatch match(std::string_view entryName) const;

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
  std::vector<Spelling> spellings_;
  FoldPath path_;
};

}  // namespace quillmere
