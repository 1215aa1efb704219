#include "matching/row_evidence.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "analysis/joining_thread.h"
#include "matching/name_matcher.h"
#include "fsys/path_text.h"

namespace quillmere {
namespace {

// The name standing at a word's start with a number after it, joined or after
// a space ("rider2024 3", "notes 2").
bool nameBeforeNumber(std::string_view words, std::string_view name) {
  for (std::size_t at = words.find(name); at != std::string_view::npos; at = words.find(name, at + 1)) {
    if (at > 0 && words[at - 1] != ' ') continue;
    std::size_t end = at + name.size();
    if (end < words.size() && words[end] == ' ') ++end;
    if (end < words.size() && isAsciiDigit(words[end])) return true;
  }
  return false;
}

// The dot-separated labels of a reverse-DNS name, a leading "group." or a team
// prefix (a label holding a digit) passed over: "group.com.example.notes"
// gives com, example, notes. Fewer than three labels, or a first label that
// is not plain letters, is not a reverse-DNS name: nothing.
std::vector<std::string_view> reverseDnsLabels(std::string_view text) {
  std::vector<std::string_view> labels = splitAt(text, '.');
  std::size_t skip = 0;
  const auto holdsDigit = [](std::string_view label) { return std::any_of(label.begin(), label.end(), isAsciiDigit); };
  while (skip < labels.size() && skip < 2 && (labels[skip] == "group" || holdsDigit(labels[skip]))) ++skip;
  labels.erase(labels.begin(), labels.begin() + std::ptrdiff_t(skip));
  const auto plainLetters = [](std::string_view label) {
    return label.size() >= 2 && std::all_of(label.begin(), label.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  };
  if (labels.size() < 3 || !plainLetters(labels[0]) || labels[1].empty()) labels.clear();
  return labels;
}

std::string vendorOf(std::string_view identifier) {
  std::vector<std::string_view> labels = reverseDnsLabels(identifier);
  if (labels.empty()) {
    // A short identifier ("com.example") is its own vendor.
    const std::size_t first = identifier.find('.');
    const std::size_t second = first == std::string_view::npos ? first : identifier.find('.', first + 1);
    return std::string(identifier.substr(0, second));
  }
  return std::string(labels[0]) + "." + std::string(labels[1]);
}

std::size_t labelCount(std::string_view identifier) {
  return identifier.empty() ? 0 : std::size_t(std::count(identifier.begin(), identifier.end(), '.')) + 1;
}

}  // namespace

PropertyListFilter identifiersWorthReading(std::string_view appName, std::string_view bundleIdentifier) {
  std::string name = separatorsAlike(matchingForm(searchableName(appName)));
  std::string identifier = separatorsAlike(matchingForm(searchableIdentifier(bundleIdentifier)));
  if (!isAscii(name) || !isAscii(identifier)) return {};
  // Every installed bundle's list passes through here, beside the search:
  // each byte is folded by a table lookup into one buffer per thread.
  static constexpr std::array<char, 256> kFolded = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) table[std::size_t(c)] = char(c);
    for (int c = 'A'; c <= 'Z'; ++c) table[std::size_t(c)] = char(c + ('a' - 'A'));
    for (const char c : {'-', '_', '.'}) table[static_cast<unsigned char>(c)] = ' ';
    return table;
  }();
  return [name = std::move(name), identifier = std::move(identifier)](std::string_view bytes) {
    thread_local std::string folded;
    folded.resize(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) folded[i] = kFolded[static_cast<unsigned char>(bytes[i])];
    return contains(folded, name) || contains(folded, identifier);
  };
}

EvidenceRules::EvidenceRules(std::string_view appName, std::string_view bundleIdentifier,
                             const std::vector<InstalledApp>& others)
    : name_(separatorsAlike(matchingForm(searchableName(appName)))) {
  const std::string identifier = matchingForm(searchableIdentifier(bundleIdentifier));
  vendor_ = identifier.empty() ? std::string() : vendorOf(identifier);
  // A copy shares the identifier; an identifier that begins several other
  // apps' identifiers is their vendor's prefix, not one app's (one such app
  // is an edition or a helper of this one).
  std::size_t extended = 0;
  for (const InstalledApp& app : others) {
    const std::string other = matchingForm(searchableIdentifier(app.bundleIdentifier));
    extended += other.size() > identifier.size() && other.starts_with(identifier) && other[identifier.size()] == '.';
  }
  if (labelCount(identifier) >= 3 && extended < 2) identifier_ = identifier;
  if (const std::vector<std::string_view> labels = reverseDnsLabels(identifier_); labels.size() >= 2)
    vendorName_ = lettersAndDigits(labels[1]);
  // An edition: the identifier ours with a suffix ("-EAP", ".beta", "-3").
  for (const InstalledApp& app : others) {
    const std::string other = matchingForm(searchableIdentifier(app.bundleIdentifier));
    if (identifier_.empty() || other.size() <= identifier_.size() + 1 || !other.starts_with(identifier_)) continue;
    const char separator = other[identifier_.size()];
    if (separator != '-' && separator != '_' && separator != '.') continue;
    edition_ = &app;
    editionSuffix_ = separatorsAlike(other.substr(identifier_.size() + 1));
    break;
  }
  for (const InstalledApp& app : others) {
    Other other{&app, separatorsAlike(matchingForm(searchableName(app.name))),
                matchingForm(searchableIdentifier(app.bundleIdentifier)), {}};
    if (!identifier.empty() && other.identifier == identifier) {
      if (!copy_) copy_ = &app;
      if (!namedCopy_ && other.name == name_) namedCopy_ = &app;
      continue;
    }
    if (!other.name.empty()) other.names.push_back(other.name);
    for (const std::string& alias : app.otherNames)
      if (std::string folded = separatorsAlike(matchingForm(searchableName(alias))); !folded.empty())
        other.names.push_back(std::move(folded));
    named_.push_back(other);
    if (moreSpecific(other.name) || moreSpecific(other.identifier)) rivals_.push_back(other);
    if (!other.identifier.empty()) all_.push_back(std::move(other));
  }
}

// A needle that holds this application's name or identifier and is longer:
// where both stand in a row, the row is more likely the other one's.
bool EvidenceRules::moreSpecific(std::string_view needle) const {
  return (needle.size() > name_.size() && contains(separatorsAlike(std::string(needle)), name_)) ||
         (needle.size() > identifier_.size() && contains(needle, identifier_));
}

const InstalledApp* EvidenceRules::ownerOfIdentifierIn(std::string_view folded) const {
  const InstalledApp* owner = nullptr;
  std::size_t longest = 0;
  for (const Other& other : all_)
    if (other.identifier.size() > longest && standsBounded(folded, other.identifier, false)) {
      owner = other.app;
      longest = other.identifier.size();
    }
  return owner;
}

// Another installed app's name standing in the row as whole words: the app
// whose name explains more of the row keeps it, and on a tie neither does
// ("Foxglove Studio" is Foxglove's, not Studio's; "Marathon Infinity" is
// neither Marathon's nor Infinity's). Nothing when ours explains more.
RowEvidence EvidenceRules::alsoNamed(std::string_view words) const {
  const Other* best = nullptr;
  std::size_t longest = 0;
  for (const Other& other : named_)
    for (const std::string& name : other.names)
      if (name.size() >= name_.size() && name.size() > longest && standsBounded(words, name, true)) {
        best = &other;
        longest = name.size();
      }
  if (!best) return RowEvidence{Evidence::Name, std::nullopt, {}};
  return RowEvidence{longest > name_.size() ? Evidence::OtherApp : Evidence::AlsoNames, best->app->name,
                     best->app->path};
}

RowEvidence EvidenceRules::evidenceOf(std::string_view entryName) const {
  const std::string folded = matchingForm(entryName);
  const std::string words = separatorsAlike(folded);
  Evidence own = Evidence::Coincidence;
  if (standsBounded(folded, identifier_, false)) own = Evidence::Identifier;
  else if (standsBounded(words, name_, true)) own = Evidence::Name;
  else return RowEvidence{Evidence::Coincidence, std::nullopt, {}};

  // A rival's name may stand spelt without its spaces, or the row's without
  // them ("Looped Whisper" is LoopedWhisper's, not Whisper's).
  const std::string joined = lettersAndDigits(words);
  for (const Other& rival : rivals_)
    if ((moreSpecific(rival.identifier) && standsBounded(folded, rival.identifier, false)) ||
        (moreSpecific(rival.name) &&
         (standsBounded(words, rival.name, true) || contains(joined, lettersAndDigits(rival.name)))))
      return RowEvidence{Evidence::OtherApp, rival.app->name, rival.app->path};

  if (own == Evidence::Identifier) {
    if (copy_) return RowEvidence{Evidence::SharedIdentifier, std::nullopt, copy_->path};
    // The identifier followed by the edition's suffix as a word is the
    // edition's ("….alfred-preferences-3" when "….alfred-3" is installed).
    const std::size_t after = folded.find(identifier_) + identifier_.size();
    if (edition_ && standsBounded(std::string_view(words).substr(after), editionSuffix_, false))
      return RowEvidence{Evidence::OtherApp, edition_->name, edition_->path};
    return RowEvidence{Evidence::Identifier, std::nullopt, {}};
  }
  // A copy under the same name finds the same rows through it: the copy that
  // stays would lose them. An installed edition (a beta, a preview, another
  // major version) names a version's folder as the product does: with two
  // editions of one product, "JetBrains/Rider2024.3" is either's.
  if (namedCopy_) return RowEvidence{Evidence::SharedIdentifier, std::nullopt, namedCopy_->path};
  if (edition_ && nameBeforeNumber(words, name_))
    return RowEvidence{Evidence::SharedIdentifier, std::nullopt, edition_->path};
  // The name as one word of another vendor's identifier ("com.othervendor.name").
  // A name that begins the dotted name is no top-level domain: "sky.map.log"
  // is the application Sky Map's own. An app without an identifier has no
  // vendor to tell apart, and such rows are often its own.
  std::vector<std::string_view> labels = reverseDnsLabels(folded);
  if (!vendor_.empty() && !labels.empty() &&
      words.compare(std::size_t(labels[0].data() - folded.data()), name_.size(), name_) != 0 &&
      std::string(labels[0]) + "." + std::string(labels[1]) != vendor_) {
    if (const InstalledApp* owner = ownerOfIdentifierIn(folded))
      return RowEvidence{Evidence::OtherApp, owner->name, owner->path};
    return RowEvidence{Evidence::OtherApp, std::nullopt, {}};
  }
  return alsoNamed(words);
}

// A folder of the app's own: its name or identifier stands in it, or its
// vendor's name is its whole name, spaces and punctuation aside
// ("Fractal Audio" for com.fractalaudio.axeedit3).
bool EvidenceRules::ownsFolder(std::string_view folder) const {
  const std::string folded = matchingForm(folder);
  return standsBounded(separatorsAlike(folded), name_, true) || standsBounded(folded, identifier_, false) ||
         (!vendorName_.empty() && lettersAndDigits(folded) == vendorName_);
}

// The installed app whose name or identifier stands longest in a folder's name.
const InstalledApp* EvidenceRules::installedNamedIn(std::string_view folder) const {
  const std::string folded = matchingForm(folder);
  const std::string words = separatorsAlike(folded);
  const InstalledApp* owner = nullptr;
  std::size_t longest = 0;
  for (const Other& other : named_) {
    for (const std::string& name : other.names)
      if (name.size() > longest && standsBounded(words, name, true)) owner = other.app, longest = name.size();
    if (other.identifier.size() > longest && standsBounded(folded, other.identifier, false))
      owner = other.app, longest = other.identifier.size();
  }
  return owner;
}

RowEvidence EvidenceRules::evidenceBelowRoot(std::string_view relativePath) const {
  const std::size_t slash = relativePath.rfind('/');
  const RowEvidence byName = evidenceOf(slash == std::string_view::npos ? relativePath : relativePath.substr(slash + 1));
  // Directly in the root, or already left out, or bearing the full identifier.
  if (slash == std::string_view::npos || !selectedByDefault(byName.kind) || byName.kind == Evidence::Identifier)
    return byName;
  const std::vector<std::string_view> folders = splitAt(relativePath.substr(0, slash), '/');
  for (std::string_view folder : folders)
    if (ownsFolder(folder)) return byName;
  for (std::string_view folder : folders)
    if (const InstalledApp* owner = installedNamedIn(folder))
      return RowEvidence{Evidence::InsideOtherApp, owner->name, owner->path};
  return RowEvidence{Evidence::InsideForeign, std::nullopt, {}};
}

namespace {

// The rules once for each other spelling of the app's name, the other
// installed apps going by their spellings too: a row spelt "Alfred" is no
// more "Alfred 4"'s than "Alfred 5"'s.
class SpellingRules {
public:
  SpellingRules(std::string_view appName, std::string_view identifier, const std::vector<InstalledApp>& others) {
    others_.reserve(others.size());
    for (const InstalledApp& app : others) {
      InstalledApp spelt{app.path, app.name, app.bundleIdentifier, app.otherNames, {}};
      const auto addSpellings = [&](const std::string& name) {
        for (Spelling& spelling : otherSpellings(matchingForm(searchableName(name)), matchingForm(app.bundleIdentifier)))
          spelt.otherNames.push_back(std::move(spelling.words));
      };
      addSpellings(app.name);
      for (const std::string& name : app.otherNames) addSpellings(name);
      others_.push_back(std::move(spelt));
    }
    for (const Spelling& spelling : otherSpellings(matchingForm(searchableName(appName)), matchingForm(identifier)))
      rules_.emplace_back(spelling, EvidenceRules(spelling.words, identifier, others_));
  }
  SpellingRules(const SpellingRules&) = delete;
  SpellingRules& operator=(const SpellingRules&) = delete;

  // The evidence of a row named `entryName`, below its root at `relative`
  // when it lies below one, judged with the first spelling standing in it.
  RowEvidence evidenceOf(const EvidenceRules& byName, std::string_view entryName,
                         std::optional<std::string_view> relative) const {
    const std::string words = separatorsAlike(matchingForm(entryName));
    for (const auto& [spelling, rules] : rules_) {
      if (!standsAsSpelling(words, spelling)) continue;
      if (const InstalledApp* copy = byName.namedCopy()) return {Evidence::SharedIdentifier, std::nullopt, copy->path};
      RowEvidence evidence = relative ? rules.evidenceBelowRoot(*relative) : rules.evidenceOf(entryName);
      if (evidence.kind == Evidence::Name) evidence.kind = Evidence::Spelling;
      return evidence;
    }
    return {Evidence::Coincidence, std::nullopt, {}};
  }

private:
  std::vector<InstalledApp> others_;  // read by rules_: never resized once they are made
  std::vector<std::pair<Spelling, EvidenceRules>> rules_;
};

// Whether a text holds any of many short needles, in one pass over it: at
// each position the next four bytes are looked up among the needles' first
// four, and only a needle that begins so is compared. A few hundred Info.plists
// against a few dozen folder words, each searched for alone, took longer than
// the whole walk of the Library.
class NeedleSet {
public:
  explicit NeedleSet(std::vector<std::string> needles) : needles_(std::move(needles)) {
    std::sort(needles_.begin(), needles_.end());
    needles_.erase(std::unique(needles_.begin(), needles_.end()), needles_.end());
    for (std::size_t i = 0; i < needles_.size(); ++i) {
      if (needles_[i].size() < kHead) {
        short_.push_back(i);
        continue;
      }
      const std::uint32_t head = headAt(needles_[i].data());
      heads_.emplace_back(head, i);
      filter_.set(slot(head));
    }
    std::sort(heads_.begin(), heads_.end());
  }
  bool empty() const { return needles_.empty(); }
  bool anyIn(std::string_view text) const {
    for (std::size_t i : short_)
      if (contains(text, needles_[i])) return true;
    for (std::size_t at = 0; !heads_.empty() && at + kHead <= text.size(); ++at) {
      const std::uint32_t head = headAt(text.data() + at);
      if (!filter_.test(slot(head))) continue;
      for (auto it = std::lower_bound(heads_.begin(), heads_.end(), std::pair(head, std::size_t(0)));
           it != heads_.end() && it->first == head; ++it)
        if (text.substr(at).starts_with(needles_[it->second])) return true;
    }
    return false;
  }

private:
  static constexpr std::size_t kHead = 4;
  static std::uint32_t headAt(const char* bytes) {
    std::uint32_t head;
    std::memcpy(&head, bytes, kHead);
    return head;
  }
  static std::size_t slot(std::uint32_t head) { return (head * 2654435761u) >> 20; }
  std::vector<std::string> needles_;
  std::vector<std::size_t> short_;                          // needles shorter than a head
  std::vector<std::pair<std::uint32_t, std::size_t>> heads_;  // first four bytes, needle
  std::bitset<4096> filter_;                                  // heads_ by slot
};

// Beyond the app's own folders a name is weak evidence (a cookie or a job
// anyone could name so); what a row holds, or a name the system gave it from
// the identifier, is strong.
RowEvidence placeEvidence(const EvidenceRules& rules, const ListedRow& place) {
  if (*place.found != Evidence::NameOnly) return {*place.found, std::nullopt, {}};
  RowEvidence byName = rules.evidenceOf(lastComponent(place.path));
  if (byName.kind == Evidence::Name) byName.kind = Evidence::NameOnly;
  return byName;
}

}  // namespace

std::vector<RowEvidence> rowEvidence(const AppInfo& app, const std::vector<InstalledApp>& others,
                                     const std::vector<std::string>& searchRoots) {
  // The row's path below its search root, when it lies below one.
  const auto belowRoot = [&](const std::string& path) -> std::optional<std::string_view> {
    for (const std::string& root : searchRoots)
      if (path.size() > root.size() + 1 && path.starts_with(root) && path[root.size()] == '/')
        return std::string_view(path).substr(root.size() + 1);
    return std::nullopt;
  };
  const std::string identifier = app.bundleIdentifier().value_or("");
  const bool anySpelt = std::any_of(app.rows.begin(), app.rows.end(),
                                    [](const ListedRow& row) { return row.found == Evidence::Spelling; });
  const auto judge = [&](const EvidenceRules& rules, const SpellingRules* spellings, std::size_t row) -> RowEvidence {
    const ListedRow& listed = app.rows[row];
    if ((row + 1 == app.rows.size() && listed.path == app.path()) || (!app.link.empty() && listed.path == app.link))
      return {Evidence::Bundle, std::nullopt, {}};
    if (listed.found == Evidence::Spelling && spellings)
      return spellings->evidenceOf(rules, lastComponent(listed.path), belowRoot(listed.path));
    if (listed.found) return placeEvidence(rules, listed);
    if (const auto relative = belowRoot(listed.path)) return rules.evidenceBelowRoot(*relative);
    return rules.evidenceOf(lastComponent(listed.path));
  };
  const EvidenceRules rules(app.name(), identifier, others);
  std::optional<SpellingRules> spellings;
  if (anySpelt) spellings.emplace(app.name(), identifier, others);
  std::vector<RowEvidence> evidence;
  evidence.reserve(app.rows.size());
  // What the folders that hold rows no known name explains are called: the
  // runs of ASCII letters and digits in their words (four or more, not digits
  // alone: shorter ones, "com" first, stand in every list; two beside letters
  // of other scripts). An installed app's
  // name standing there holds a whole word of them, so its Info.plist holds
  // such a run: as text in an XML list, and, its NULs dropped, in the UTF-16 a
  // binary list keeps other text in. A name of shorter words is still known
  // by its bundle's file name; only the reason is plainer without it.
  std::vector<std::string> runs;
  bool anyText = false;  // a word without such a run: every list may name it
  for (std::size_t row = 0; row < app.rows.size(); ++row) {
    evidence.push_back(judge(rules, spellings ? &*spellings : nullptr, row));
    if (evidence.back().kind != Evidence::InsideForeign) continue;
    const std::string_view relative = *belowRoot(app.rows[row].path);
    const std::string folders = separatorsAlike(matchingForm(relative.substr(0, relative.rfind('/'))) + "/");
    std::vector<std::string_view> wordRuns;
    bool wordHasOther = false;
    for (std::size_t at = 0, from = 0; at < folders.size(); ++at) {
      const char c = folders[at];
      if ((c >= 'a' && c <= 'z') || isAsciiDigit(c)) continue;
      const std::string_view run = std::string_view(folders).substr(from, at - from);
      if (!run.empty() && !std::all_of(run.begin(), run.end(), isAsciiDigit)) wordRuns.push_back(run);
      from = at + 1;
      if (c != ' ' && c != '/') {
        wordHasOther = wordHasOther || static_cast<unsigned char>(c) >= 0x80;
        continue;
      }
      // Beside other letters a short run is rare enough ("caf" of "café").
      const std::size_t shortest = wordHasOther ? 2 : 4;
      bool kept = false;
      for (std::string_view wordRun : wordRuns)
        if (wordRun.size() >= shortest) runs.emplace_back(wordRun), kept = true;
      anyText = anyText || (wordHasOther && !kept);
      wordRuns.clear();
      wordHasOther = false;
    }
  }
  const NeedleSet runSet(std::move(runs));
  // `folded`: one buffer for every list a thread searches.
  const auto mayName = [&](const InstalledApp& other, std::string& folded) {
    if (other.deferredProperties.empty()) return false;
    if (anyText) return true;
    // Lower case, NULs dropped, written without a branch per byte.
    folded.resize(other.deferredProperties.size());
    std::size_t length = 0;
    for (const char c : other.deferredProperties) {
      const auto byte = static_cast<unsigned char>(c);
      folded[length] = char(byte + (unsigned(byte - 'A') < 26u ? 'a' - 'A' : 0));
      length += byte != 0;
    }
    return runSet.anyIn(std::string_view(folded).substr(0, length));
  };
  // One byte per bundle, not std::vector<bool>: two threads write apart.
  std::vector<char> toParse(others.size(), 0);
  if (!runSet.empty() || anyText) {
    const auto look = [&](std::size_t from, std::size_t to) {
      std::string folded;
      for (std::size_t i = from; i < to; ++i) toParse[i] = mayName(others[i], folded);
    };
    // Searching a few hundred lists is the longest step after the walk, and
    // the walk's threads are done: half of them are searched on another.
    const std::size_t half = others.size() / 2;
    std::optional<JoiningThread> helper;
    if (half >= 64) {
      try {
        helper.emplace([&, half] { look(half, others.size()); });
      } catch (const std::system_error&) {
        // no thread to be had: this one searches them all
      }
    }
    look(0, helper ? half : others.size());
  }
  if (std::find(toParse.begin(), toParse.end(), 1) != toParse.end()) {
    std::vector<InstalledApp> named = others;
    for (std::size_t i = 0; i < named.size(); ++i)
      if (toParse[i]) readDeferredProperties(named[i]);
    const EvidenceRules withNames(app.name(), identifier, named);
    std::optional<SpellingRules> spellingsWithNames;
    if (anySpelt) spellingsWithNames.emplace(app.name(), identifier, named);
    for (std::size_t row = 0; row < evidence.size(); ++row)
      if (evidence[row].kind == Evidence::InsideForeign)
        evidence[row] = judge(withNames, spellingsWithNames ? &*spellingsWithNames : nullptr, row);
  }
  return evidence;
}

}  // namespace quillmere
