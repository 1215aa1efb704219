#include "analysis/name_matcher.h"

#include <gtest/gtest.h>

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

// T2 looks only at the root-relative text, and only at folders above the entry.
TEST(NameMatcher, NameFolderTestOnRelativeText) {
  NameMatcher caches("Caches", "");
  EXPECT_FALSE(caches.matchesEntry("/Vendor/data.bin"));
  EXPECT_TRUE(caches.matchesEntry("/x/CACHES/data.bin"));
  EXPECT_TRUE(caches.isNameFolder("caches"));
  EXPECT_FALSE(caches.isNameFolder("caches2"));
  EXPECT_FALSE(NameMatcher("", "").matchesEntry("/a/b"));
}

}  // namespace
}  // namespace quillmere
