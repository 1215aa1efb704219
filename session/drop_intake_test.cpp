#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "session/drop_intake.h"

namespace quillmere {
namespace {

struct UrlCase {
  const char* why;
  std::string url;
  std::optional<std::string> path;  // nullopt: rejected
};

class AppPathFromDroppedUrl : public testing::TestWithParam<UrlCase> {};

TEST_P(AppPathFromDroppedUrl, DecodesOrRejects) {
  const UrlCase& c = GetParam();
  EXPECT_EQ(appPathFromDroppedUrl(c.url), c.path) << c.why << ": " << c.url;
}

const std::string kBundle = "/Applications/Tool.app";

INSTANTIATE_TEST_SUITE_P(
    Accepted, AppPathFromDroppedUrl,
    testing::Values(
        UrlCase{"escapes decoded, trailing slash dropped", "file:///Applications/My%20App.app/",
                "/Applications/My App.app"},
        UrlCase{"no trailing slash", "file:///Applications/Tool.app", kBundle},
        UrlCase{"several trailing slashes", "file:///Applications/Tool.app///", kBundle},
        UrlCase{"escapes decode to bytes, not UTF-8 text", "file:///tmp/caf%E9%FF.app/",
                std::string("/tmp/caf\xE9\xFF.app")},
        UrlCase{"UTF-8 escapes", "file:///Applications/%E5%BE%AE%E4%BF%A1.app/",
                "/Applications/\xE5\xBE\xAE\xE4\xBF\xA1.app"},
        UrlCase{"lower-case hex", "file:///A/b%2fc%3f.app", "/A/b/c?.app"},
        UrlCase{"quotes, apostrophes, backslashes", "file:///A/it's%20%22x%22%5C.app",
                "/A/it's \"x\"\\.app"},
        UrlCase{"escaped newline is a name byte", "file:///A/two%0Alines.app", "/A/two\nlines.app"},
        UrlCase{"localhost authority", "file://localhost/Applications/Tool.app/", kBundle},
        UrlCase{"scheme and host in any case", "FILE://LocalHost/Applications/Tool.app", kBundle},
        UrlCase{"no authority", "file:/Applications/Tool.app", kBundle},
        UrlCase{"query and fragment are not the path", "file:///Applications/Tool.app/?a=1#top",
                kBundle},
        UrlCase{"dots in the name", "file:///A/Tool.v2.app", "/A/Tool.v2.app"},
        UrlCase{"encoded trailing slash", "file:///Applications/Tool.app%2F", kBundle}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, AppPathFromDroppedUrl,
    testing::Values(
        UrlCase{"extension in upper case", "file:///Applications/Tool.APP/", std::nullopt},
        UrlCase{"archive of a bundle", "file:///Users/u/Downloads/Tool.app.zip", std::nullopt},
        UrlCase{"plain file", "file:///Users/u/notes.txt", std::nullopt},
        UrlCase{"no extension", "file:///Applications/Tool/", std::nullopt},
        UrlCase{"extension only, no name", "file:///Applications/.app/", std::nullopt},
        UrlCase{"extension inside a folder name only", "file:///A/Tool.app/Contents", std::nullopt},
        UrlCase{"root", "file:///", std::nullopt},
        UrlCase{"empty", "", std::nullopt},
        UrlCase{"not a URL", "Tool.app", std::nullopt},
        UrlCase{"a bare path", "/Applications/Tool.app", std::nullopt},
        UrlCase{"relative file URL", "file:Tool.app", std::nullopt},
        UrlCase{"other scheme", "https://example.com/Tool.app", std::nullopt},
        UrlCase{"remote host", "file://server/share/Tool.app", std::nullopt},
        UrlCase{"authority without path", "file://Tool.app", std::nullopt},
        UrlCase{"malformed escape", "file:///A/T%G1ol.app", std::nullopt},
        UrlCase{"truncated escape", "file:///A/Tool.app%", std::nullopt},
        UrlCase{"truncated escape with one digit", "file:///A/Tool.app%2", std::nullopt},
        UrlCase{"escaped NUL", "file:///A/Tool%00.app", std::nullopt},
        UrlCase{"raw NUL", std::string("file:///A/x\0/Tool.app", 21), std::nullopt},
        UrlCase{"raw space", "file:///A/My App.app", std::nullopt},
        UrlCase{"two lines of a uri-list", "file:///A/One.app\r\nfile:///A/Two.app", std::nullopt},
        UrlCase{"extension in the fragment", "file:///A/Tool#.app", std::nullopt}));

}  // namespace
}  // namespace quillmere
