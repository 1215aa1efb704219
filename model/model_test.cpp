#include <gtest/gtest.h>

#include "model/app_info.h"
#include "model/uninstall_state.h"

namespace quillmere {
namespace {

TEST(AppInfo, RecordsDrawFreshIdsAndCopiesKeepThem) {
  AppInfo a("Foo", "/Applications/Foo.app", std::nullopt, nullptr);
  AppInfo b("Foo", "/Applications/Foo.app", std::nullopt, nullptr);
  EXPECT_NE(a.id(), b.id());
  EXPECT_TRUE(a.relatedFiles().empty());

  AppInfo copy = a;
  EXPECT_EQ(copy.id(), a.id());
  copy.rows.push_back({"/tmp/x", std::nullopt, std::nullopt, std::nullopt});
  EXPECT_TRUE(a.relatedFiles().empty());
}

TEST(AppInfo, CopiesShareTheIcon) {
  auto icon = std::make_shared<IconImage>(IconImage{"/a/b.icns", "data"});
  AppInfo a("Foo", "/A/Foo.app", "com.example.foo", icon, {"/x", "/A/Foo.app"});
  AppInfo copy = a;
  EXPECT_EQ(copy.icon().get(), a.icon().get());
  EXPECT_EQ(copy.relatedFiles(), (std::vector<std::string>{"/x", "/A/Foo.app"}));
}

TEST(Uuid, IsRandomVersion4) {
  Uuid u = Uuid::random();
  EXPECT_EQ(u.bytes()[6] >> 4, 4);
  EXPECT_EQ(u.bytes()[8] >> 6, 2);  // the RFC 4122 variant
  EXPECT_NE(u, Uuid::random());
}

TEST(UninstallState, CarriesItsPayloadByValue) {
  UninstallState s = states::Error{"line one\nline two"};
  ASSERT_TRUE(std::holds_alternative<states::Error>(s));
  EXPECT_EQ(std::get<states::Error>(s).message, "line one\nline two");
  s = states::Ready{AppInfo("Foo", "/Foo.app", std::nullopt, nullptr)};
  EXPECT_EQ(std::get<states::Ready>(s).app.name(), "Foo");
  EXPECT_EQ(UninstallState{}.index(), 0u);  // default is idle
}

}  // namespace
}  // namespace quillmere
