#include "selection/row_selection.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using Paths = std::vector<std::string>;

TEST(RowSelection, LeavingOutAndPuttingBackFollowFoldersThatHoldOtherRows) {
  // The bundle lies inside a listed folder; "/L/Foo c" only shares its prefix.
  const Paths paths = {"/L/Foo", "/L/Foo c", "/L/Foo.plist", "/L/Foo/Foo.app", "/L/Foo/Foo.app/x"};
  RowSelection rows(paths);
  EXPECT_EQ(rows.selectedCount(), 5u);
  EXPECT_EQ(rows.selectedPaths(paths), paths);

  rows.setSelected(2, false);
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/Foo", "/L/Foo c", "/L/Foo/Foo.app", "/L/Foo/Foo.app/x"}));

  // Keeping the innermost row keeps the folders around it too: deleting one
  // of them would delete it.
  rows.setSelected(4, false);
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/Foo c"}));
  EXPECT_EQ(rows.selectedCount(), 1u);

  // Putting the outer folder back brings everything inside it back.
  rows.setSelected(0, true);
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/Foo", "/L/Foo c", "/L/Foo/Foo.app", "/L/Foo/Foo.app/x"}));
  // Leaving the folder out keeps what lies inside it selected.
  rows.setSelected(1, false);
  rows.setSelected(0, false);
  rows.setSelected(99, true);  // out of range: ignored
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/Foo/Foo.app", "/L/Foo/Foo.app/x"}));
}

TEST(RowSelection, SelectedSizeCountsMeasuredSelectedRowsAndEachByteOnce) {
  const Paths paths = {"/L/Foo", "/L/Foo/inner", "/L/Foo/inner", "/L/bar", "/L/baz"};
  RowSelection rows(paths);
  EXPECT_FALSE(rows.isMeasured(0));
  EXPECT_EQ(rows.selectedSize(), 0u);
  rows.setSize(0, 1000);  // holds the 300 of its listed inner entry
  rows.setSize(1, 300);
  rows.setSize(2, 300);
  rows.setSize(3, 20);
  rows.setSize(4, std::nullopt);  // unreadable: measured, but no size
  EXPECT_TRUE(rows.isMeasured(4));
  EXPECT_FALSE(rows.sizeOf(4));
  EXPECT_EQ(rows.sizeOf(1), 300u);
  EXPECT_EQ(rows.selectedSize(), 1020u);

  rows.setSelected(1, false);  // takes the folder (and the identical row) out
  EXPECT_EQ(rows.selectedCount(), 2u);
  EXPECT_EQ(rows.selectedSize(), 20u);
  rows.setSelected(2, true);
  EXPECT_EQ(rows.selectedSize(), 320u);
}

TEST(RowSelection, EvidenceDecidesTheDefaultSelectionAndEveryRowCanBePutBack) {
  const Paths paths = {"/L/Foo", "/L/Foo/FooBar", "/L/Foodle", "/L/com.example.foo", "/L/com.foo.x", "/A/Foo.app"};
  auto with = [](Evidence kind) { return RowEvidence{kind, std::nullopt, {}}; };
  RowSelection rows(paths, {with(Evidence::Name), with(Evidence::Coincidence), with(Evidence::OtherApp),
                         with(Evidence::Identifier), with(Evidence::SharedIdentifier), with(Evidence::Bundle)});
  // A row left out takes the listed folder around it along.
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/com.example.foo", "/A/Foo.app"}));
  rows.setSelected(2, true);
  rows.setSelected(0, true);
  EXPECT_EQ(rows.selectedPaths(paths), (Paths{"/L/Foo", "/L/Foo/FooBar", "/L/Foodle", "/L/com.example.foo", "/A/Foo.app"}));
  // Without evidence (or evidence of another list) every row is selected.
  EXPECT_EQ(RowSelection(paths, {}).selectedCount(), paths.size());
}

}  // namespace
}  // namespace quillmere
