#include "analysis/bundle_properties.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <vector>

#include "testing/test_plist.h"

namespace quillmere {
namespace {

using fixtures::toBinary;
using fixtures::xmlPlist;

void appendBigEndian(std::string& out, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(char((value >> (8 * i)) & 0xFF));
}

// A binary property list whose top dictionary holds CFBundleIdentifier and an
// array nested `depth` levels deep (or, on request, a cycle of arrays).
std::string deeplyNestedBinary(uint64_t depth, bool innermostPointsToOutermost = false) {
  // Objects: 0 the dictionary, 1 and 2 its keys, 3 the identifier, 4.. the arrays.
  const uint64_t objects = 4 + depth;
  std::string data = "bplist00";
  std::vector<uint64_t> offsets;
  offsets.push_back(data.size());
  data += "\xD2";
  for (uint64_t reference : {1, 2, 3, 4}) appendBigEndian(data, reference, 4);
  offsets.push_back(data.size());
  data += std::string("\x5F\x10\x12", 3) + "CFBundleIdentifier";
  offsets.push_back(data.size());
  data += "\x56" "Nested";
  offsets.push_back(data.size());
  data += "\x58" "com.deep";
  for (uint64_t i = 0; i < depth; ++i) {
    offsets.push_back(data.size());
    if (i + 1 == depth && innermostPointsToOutermost) {
      data += "\xA1";
      appendBigEndian(data, 4, 4);
    } else if (i + 1 == depth) {
      data += "\xA0";
    } else {
      data += "\xA1";
      appendBigEndian(data, 5 + i, 4);
    }
  }
  const uint64_t tableOffset = data.size();
  for (uint64_t offset : offsets) appendBigEndian(data, offset, 4);
  data += std::string(6, '\0');
  data += char(4);  // offset size
  data += char(4);  // reference size
  appendBigEndian(data, objects, 8);
  appendBigEndian(data, 0, 8);
  appendBigEndian(data, tableOffset, 8);
  return data;
}

// A binary list of one dictionary of UTF-16 strings, written by hand so that
// a key or value may hold a NUL (libplist keeps it in UTF-16 strings).
std::string binaryDictionary(const std::vector<std::pair<std::string, std::string>>& entries) {
  const uint64_t count = entries.size();
  std::string data = "bplist00";
  std::vector<uint64_t> offsets{data.size()};
  data += char(0xD0 | count);
  for (uint64_t i = 1; i <= 2 * count; ++i) appendBigEndian(data, i, 1);  // keys 1..n, values n+1..2n
  auto addUtf16 = [&](const std::string& ascii) {
    offsets.push_back(data.size());
    data += std::string("\x6F\x10", 2) + char(ascii.size());
    for (char c : ascii) data += std::string(1, '\0') + c;
  };
  for (const auto& entry : entries) addUtf16(entry.first);
  for (const auto& entry : entries) addUtf16(entry.second);
  const uint64_t tableOffset = data.size();
  for (uint64_t offset : offsets) appendBigEndian(data, offset, 2);
  data += std::string(6, '\0');
  data += char(2);  // offset size
  data += char(1);  // reference size
  appendBigEndian(data, offsets.size(), 8);
  appendBigEndian(data, 0, 8);
  appendBigEndian(data, tableOffset, 8);
  return data;
}

const std::string kBody =
    "<dict><key>CFBundleIdentifier</key><string>com.example.foo</string>"
    "<key>CFBundleIconFile</key><string>AppIcon</string></dict>";

TEST(BundleProperties, ReadsXmlAndBinaryLists) {
  for (const std::string& bytes : {xmlPlist(kBody), toBinary(xmlPlist(kBody))}) {
    std::optional<BundleProperties> properties = parseBundleProperties(bytes);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->bundleIdentifier, "com.example.foo");
    EXPECT_EQ(properties->iconFile, "AppIcon");
  }
}

TEST(BundleProperties, StringsHoldingANulAreNoStrings) {
  auto properties = parseBundleProperties(binaryDictionary(
      {{"CFBundleIdentifier", std::string("com.x\0y", 7)}, {"CFBundleIconFile", std::string("App\0Icon", 8)}}));
  ASSERT_TRUE(properties);
  EXPECT_FALSE(properties->bundleIdentifier);
  EXPECT_FALSE(properties->iconFile);
  EXPECT_EQ(parseBundleProperties(binaryDictionary({{"CFBundleIdentifier", "com.x"}}))->bundleIdentifier, "com.x");
  // Raw NUL bytes are not XML at all; libplist's XML reader keeps them anyway.
  auto xml = parseBundleProperties(xmlPlist(std::string("<dict><key>CFBundleIdentifier</key><string>com.x\1\0\0.y</string>"
                                                        "<key>CFBundleIconFile</key><string>App\0Icon</string></dict>",
                                                        121)));
  ASSERT_TRUE(xml);
  EXPECT_FALSE(xml->bundleIdentifier);
  EXPECT_FALSE(xml->iconFile);
  // A NUL inside a key must not trip libplist's own checks.
  auto oddKey = parseBundleProperties(binaryDictionary({{std::string("Odd\0Key", 7), "v"}, {"CFBundleIdentifier", "com.x"}}));
  ASSERT_TRUE(oddKey);
  EXPECT_EQ(oddKey->bundleIdentifier, "com.x");
}

TEST(BundleProperties, RepeatedKeyTakesTheLastValueInBothEncodings) {
  auto binary = parseBundleProperties(binaryDictionary({{"CFBundleIdentifier", "first"}, {"CFBundleIdentifier", "last"}}));
  auto xml = parseBundleProperties(xmlPlist("<dict><key>CFBundleIdentifier</key><string>first</string>"
                                            "<key>CFBundleIdentifier</key><string>last</string></dict>"));
  EXPECT_EQ(binary->bundleIdentifier, "last");
  EXPECT_EQ(xml->bundleIdentifier, "last");
}

TEST(BundleProperties, OnlyStringValuesCount) {
  auto number = parseBundleProperties(xmlPlist("<dict><key>CFBundleIdentifier</key><integer>7</integer></dict>"));
  ASSERT_TRUE(number);
  EXPECT_FALSE(number->bundleIdentifier);
  auto empty = parseBundleProperties(toBinary(xmlPlist("<dict><key>CFBundleIdentifier</key><string></string></dict>")));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->bundleIdentifier, "");
}

TEST(BundleProperties, UnreadableListsGiveNothing) {
  const std::string binary = toBinary(xmlPlist(kBody));
  const std::string xml = xmlPlist(kBody);
  for (const std::string& bytes : {
           std::string(), std::string("garbage \x01\x02 not a list"), binary.substr(0, binary.size() - 10),
           xml.substr(0, xml.size() / 2), xmlPlist("<array><string>com.example.foo</string></array>"),
           // Valid, but larger than any real Info.plist may be.
           xmlPlist(kBody).insert(40, std::string(kMaxPropertyListBytes, ' ')),
       }) {
    EXPECT_FALSE(parseBundleProperties(bytes)) << bytes.size() << " bytes";
  }
}

// Runs `parse` on a thread with the 512 KiB stack of a secondary macOS thread.
std::optional<BundleProperties> parseOnSmallStack(const std::string& bytes) {
  struct Job {
    const std::string* bytes;
    std::optional<BundleProperties> result;
  } job{&bytes, std::nullopt};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 512 * 1024);
  pthread_t thread;
  auto body = [](void* argument) -> void* {
    auto* task = static_cast<Job*>(argument);
    task->result = parseBundleProperties(*task->bytes);
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attributes, body, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  return job.result;
}

TEST(BundleProperties, DeepNestingNeitherCrashesNorStalls) {
  // Shallow nesting is read; deep nesting, binary or XML, is refused up front.
  EXPECT_EQ(parseOnSmallStack(deeplyNestedBinary(50))->bundleIdentifier, "com.deep");
  std::string deepBinary = deeplyNestedBinary(100000);
  ASSERT_LE(deepBinary.size(), kMaxPropertyListBytes);
  EXPECT_FALSE(parseOnSmallStack(deepBinary));
  const auto nestedXml = [](int levels) {
    std::string nested;
    for (int i = 0; i < levels; ++i) nested += "<array>";
    for (int i = 0; i < levels; ++i) nested += "</array>";
    return xmlPlist("<dict><key>CFBundleIdentifier</key><string>com.deep</string><key>N</key>" + nested + "</dict>");
  };
  EXPECT_EQ(parseOnSmallStack(nestedXml(50))->bundleIdentifier, "com.deep");
  std::string deepXml = nestedXml(60000);
  ASSERT_LE(deepXml.size(), kMaxPropertyListBytes);
  EXPECT_FALSE(parseOnSmallStack(deepXml));
}

TEST(BundleProperties, BinaryCyclesAreRefused) {
  EXPECT_TRUE(parseBundleProperties(deeplyNestedBinary(3)));
  EXPECT_FALSE(parseBundleProperties(deeplyNestedBinary(3, true)));
}

}  // namespace
}  // namespace quillmere
