#include "matching/name_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace quillmere {
namespace {

const std::string kCapitalIWithDot = "\xC4\xB0";  // U+0130
const std::string kCombiningDot = "\xCC\x87";     // U+0307
const std::string kCafeNfc = "Caf\xC3\xA9";
const std::string kCafeNfd = "Cafe\xCC\x81";

TEST(MatchingForm, UsesTheFullLowerCaseMappingInNfc) {
  EXPECT_EQ(matchingForm("Foo.APP"), "foo.app");
  EXPECT_EQ(matchingForm(kCapitalIWithDot + "stanbul"), "i" + kCombiningDot + "stanbul");
  EXPECT_EQ(matchingForm("\xE2\x84\xAA"), "k");                  // KELVIN SIGN
  EXPECT_EQ(matchingForm("\xE1\xBA\x9E"), "\xC3\x9F");           // capital sharp s -> sharp s, not "ss"
  EXPECT_EQ(matchingForm(kCafeNfd), matchingForm(kCafeNfc));
  EXPECT_EQ(matchingForm(kCafeNfd), "caf\xC3\xA9");
}

TEST(MatchingForm, KeepsInvalidBytesAndLowersTheValidCharacters) {
  EXPECT_EQ(matchingForm("ABC\xFF" "DEF"), "abc\xFF" "def");
  EXPECT_EQ(matchingForm("\xC3" "X" + kCafeNfd), "\xC3" "xcaf\xC3\xA9");  // truncated sequence
  EXPECT_EQ(canonicalForm("A\xFF" + kCafeNfd), "A\xFF" + kCafeNfc);       // case kept
}

TEST(NameMatcher, MatchesNameOrIdentifierAsCaseInsensitiveSubstrings) {
  NameMatcher matcher("Foo", "com.Example.foo");
  EXPECT_TRUE(matcher.matchesName("FooBar"));
  EXPECT_TRUE(matcher.matchesName("xFOOx.log"));
  EXPECT_TRUE(matcher.matchesName("COM.EXAMPLE.FOO.plist"));
  EXPECT_FALSE(matcher.matchesName("Fo-o"));
  EXPECT_FALSE(matcher.matchesName("com.example.bar"));
}

TEST(NameMatcher, EmptyNeedlesMatchNothing) {
  NameMatcher matcher("", "");
  EXPECT_FALSE(matcher.matchesName("anything"));
  EXPECT_FALSE(matcher.isNameFolder("anything"));
  EXPECT_TRUE(NameMatcher("", "com.x").matchesName("com.x.plist"));
}

TEST(NameMatcher, TreatsCanonicallyEquivalentFormsAsEqual) {
  EXPECT_TRUE(NameMatcher(kCafeNfc, "").matchesName(kCafeNfd + " Helper"));
  EXPECT_TRUE(NameMatcher(kCafeNfd, "").matchesName("my" + kCafeNfc));
  // A precomposed letter does not contain its base letter.
  EXPECT_FALSE(NameMatcher("Cafe", "").matchesName(kCafeNfd));
}

TEST(NameMatcher, FullLowerCaseMappingOfCapitalIWithDot) {
  NameMatcher matcher(kCapitalIWithDot + "stanbul", "");
  EXPECT_TRUE(matcher.matchesName("i" + kCombiningDot + "STANBUL.cache"));
  EXPECT_TRUE(matcher.matchesName("I" + kCombiningDot + "stanbul"));  // the decomposed capital
  // The simple mapping (plain "i") would wrongly match here.
  EXPECT_FALSE(matcher.matchesName("istanbul"));
}

TEST(NameMatcher, NamesThatAreNotUtf8StillMatchOnTheirValidCharacters) {
  EXPECT_TRUE(NameMatcher("Foo", "").matchesName("FOO\xFF.log"));
  EXPECT_TRUE(NameMatcher("Ab\xFE", "").matchesName("xaB\xFEx"));
  EXPECT_FALSE(NameMatcher("Ab\xFE", "").matchesName("ab\xFF"));
}

// The folder rule looks only at the root-relative text, and only at folders above the entry.
TEST(NameMatcher, NameFolderTestOnRelativeText) {
  NameMatcher caches("Caches", "");
  EXPECT_FALSE(caches.matchesEntry("/Vendor/data.bin"));
  EXPECT_TRUE(caches.matchesEntry("/x/CACHES/data.bin"));
  EXPECT_TRUE(caches.isNameFolder("caches"));
  EXPECT_FALSE(caches.isNameFolder("caches2"));
  EXPECT_FALSE(NameMatcher("", "").matchesEntry("/a/b"));
}

// The byte-wise shortcut for ASCII must never change a result. Every text goes
// through both paths: the fuzzer's seed inputs, and generated names mixing
// ASCII with letters whose lower case or canonical form is ASCII or is not
// (Kelvin sign, dotted capital I, long s, both spellings of an accented
// letter, a lone combining mark) and bytes that are not UTF-8.
TEST(NameMatcher, AsciiShortcutDecidesAsTheUnicodePathForEveryInput) {
  std::vector<std::string> texts;
  for (const auto& file : std::filesystem::directory_iterator(QUILLMERE_MATCHER_CORPUS)) {
    std::ifstream in(file.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t from = 0, nul;; from = nul + 1) {  // fields as the fuzzer splits them
      nul = input.find('\0', from);
      texts.push_back(input.substr(from, nul - from));
      if (nul == std::string::npos) break;
    }
  }
  const std::vector<std::string> needles = texts;
  const char* const pieces[] = {"foo", "FOO", "Fo", "o", "com.example.", "-", " ", "k", "K", "\xE2\x84\xAA",
                                "\xC4\xB0", "i", "I", "\xCC\x87", "\xC5\xBF", "s", "S", "caf", "CAF\xC3\x89",
                                "e\xCC\x81", "\xC3\xA9", "\xE1\xBA\x9E", "\xC3\x9F", "\xFF", "\xC3", "stanbul"};
  unsigned state = 7;
  for (int i = 0; i < 1500; ++i) {
    std::string name;
    for (int n = 1 + int((state = state * 1103515245u + 12345u) >> 16) % 6; n > 0; --n)
      name += pieces[((state = state * 1103515245u + 12345u) >> 16) % std::size(pieces)];
    texts.push_back(name);
  }
  const std::vector<std::string> extraNeedles = {"Foo", "koo", "\xE2\x84\xAAOO", "sfoo", "\xC5\xBF", "Caf\xC3\xA9",
                                                 "\xC4\xB0stanbul", "e", "I", "com.example.foo", ""};

  int mismatches = 0, matches = 0, asciiTexts = 0;
  for (const std::string& text : texts) {
    asciiTexts += std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
    if (matchingForm(text) != matchingForm(text, FoldPath::UnicodeOnly) && ++mismatches < 5)
      ADD_FAILURE() << "matching form of " << testing::PrintToString(text);
  }
  std::vector<std::string> allNeedles = needles;
  allNeedles.insert(allNeedles.end(), extraNeedles.begin(), extraNeedles.end());
  for (std::size_t n = 0; n < allNeedles.size(); ++n) {
    const std::string& name = allNeedles[n];
    const std::string& identifier = allNeedles[(n + 1) % allNeedles.size()];
    const NameMatcher fast(name, identifier), full(name, identifier, FoldPath::UnicodeOnly);
    for (const std::string& text : texts) {
      const bool byName = fast.matchesName(text);
      matches += byName;
      if ((byName != full.matchesName(text) || fast.isNameFolder(text) != full.isNameFolder(text) ||
           fast.matchesEntry("/x/" + text + "/y") != full.matchesEntry("/x/" + text + "/y")) &&
          ++mismatches < 5)
        ADD_FAILURE() << testing::PrintToString(name) << " / " << testing::PrintToString(identifier) << " on "
                      << testing::PrintToString(text);
    }
  }
  EXPECT_EQ(mismatches, 0);
  // Both outcomes and both paths were exercised in earnest.
  EXPECT_GT(matches, 1000);
  EXPECT_GT(asciiTexts, 100);
  EXPECT_LT(asciiTexts, int(texts.size()) - 100);
}

// The generated names above use a few letters only. Every ASCII byte, the
// ends of the alphabet and their neighbours ("@", "[", "`", "{") included,
// must fold alike on both paths: in a text, as a needle, and as an entry.
TEST(NameMatcher, AsciiShortcutFoldsEveryAsciiByteAsTheUnicodePath) {
  int mismatches = 0;
  for (int a = 0; a < 128; ++a) {
    const std::string one(1, char(a));
    if (matchingForm("x" + one + "Y") != matchingForm("x" + one + "Y", FoldPath::UnicodeOnly))
      ADD_FAILURE() << "folding of byte " << a, ++mismatches;
    const NameMatcher fast(one, ""), full(one, "", FoldPath::UnicodeOnly);
    for (int b = 0; b < 128; ++b) {
      const std::string entry(1, char(b));
      if (fast.matchesName(entry) != full.matchesName(entry) || fast.isNameFolder(entry) != full.isNameFolder(entry))
        ADD_FAILURE() << "needle byte " << a << " on entry byte " << b, ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_TRUE(NameMatcher("z", "").matchesName("Z"));
  EXPECT_TRUE(NameMatcher("Z", "").matchesName("z"));
  EXPECT_FALSE(NameMatcher("@", "").matchesName("`"));
  EXPECT_FALSE(NameMatcher("[", "").matchesName("{"));
}

}  // namespace
}  // namespace quillmere
