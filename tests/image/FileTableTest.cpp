#include <gtest/gtest.h>

#include "image/FileTable.h"
#include "TestTree.h"

namespace velmarond::image {
namespace {

using testing::TTempDir;

TEST(FileTable, EmptyTableHoldsOnlyTheRoot) {
  TFileTable table;
  EXPECT_EQ(table.DirCount(), 1u);
  EXPECT_EQ(table.FileCount(), 0u);
  EXPECT_EQ(table.Root().ShortName, "ROOT_DIR");
  EXPECT_TRUE(table.Root().IsRoot());
  EXPECT_EQ(table.FileLongName(0), u"");
}

TEST(FileTable, NamesThatDifferInCaseAreDifferentFiles) {
  TTempDir dir;
  const auto first = dir.File("a/Readme", 10).string();
  const auto second = dir.File("b/README", 20).string();
  for (bool replace : {false, true}) {
    TFileTable table;
    table.ReplaceFile = replace;
    ASSERT_TRUE(table.InsertFile(u"\\", first, u"", u"Readme"));
    ASSERT_TRUE(table.InsertFile(u"\\", second, u"", u"README"));
    EXPECT_EQ(table.FileCount(), 2u) << "replace " << replace;
    EXPECT_EQ(table.FileSourcePath(1), second);
  }
}

TEST(FileTable, ExactDuplicateFollowsTheReplaceFlag) {
  TTempDir dir;
  const auto first = dir.File("a/x", 10).string();
  const auto second = dir.File("b/x", 20).string();
  struct Case {
    bool Replace;
    std::string ExpectedSource;
    std::uint64_t ExpectedSize;
  } cases[] = {{false, first, 10}, {true, second, 20}};
  for (const auto& c : cases) {
    TFileTable table;
    table.ReplaceFile = c.Replace;
    ASSERT_TRUE(table.InsertFile(u"\\", dir.File("other", 1).string(), u"", u"other"));
    ASSERT_TRUE(table.InsertFile(u"\\", first, u"", u"x"));
    auto again = table.InsertFile(u"\\", second, u"", u"x");
    ASSERT_TRUE(again);
    EXPECT_EQ(table.FileCount(), 2u);
    EXPECT_EQ((*again)->SourcePath, c.ExpectedSource);
    EXPECT_EQ((*again)->Size, c.ExpectedSize);
    EXPECT_EQ(table.FileSourcePath(1), c.ExpectedSource) << "the entry keeps its place";
  }
}

TEST(FileTable, NameLengthLimit) {
  TTempDir dir;
  const auto source = dir.File("f", 1).string();
  struct Case {
    std::size_t Units;
    bool Accepted;
  } cases[] = {{217, true}, {218, false}};
  for (const auto& c : cases) {
    TFileTable table;
    auto added = table.InsertFile(u"\\", source, u"", std::u16string(c.Units, u'n'));
    EXPECT_EQ(added.HasValue(), c.Accepted) << c.Units;
    if (!c.Accepted) {
      EXPECT_NE(added.GetError().Text.find("217"), std::string::npos);
    }
  }
}

TEST(FileTable, MissingSourceOrParentIsReported) {
  TFileTable table;
  auto missing = table.InsertFile(u"\\", "/nonexistent/velmarond", u"", u"x");
  ASSERT_FALSE(missing);
  EXPECT_NE(missing.GetError().Text.find("/nonexistent/velmarond"), std::string::npos);
  EXPECT_FALSE(table.CreateDir(u"\\nope", u"x"));
  EXPECT_EQ(table.FileCount(), 0u);
}

TEST(FileTable, CreateDirAndFindDir) {
  TFileTable table;
  auto a = table.CreateDir(u"\\", u"A");
  ASSERT_TRUE(a);
  auto b = table.CreateDir(u"\\A\\", u"B");
  ASSERT_TRUE(b);
  EXPECT_EQ(*table.CreateDir(u"\\A", u"B"), *b) << "the second call returns the same directory";
  EXPECT_EQ(table.DirCount(), 3u);
  EXPECT_EQ(table.FileCount(), 2u) << "directories have entries in their parents";
  for (std::u16string path : {u"\\a\\b", u"\\A\\B", u"\\A\\\\B", u"A\\B\\"}) {
    EXPECT_EQ(table.FindDir(path), *b);
  }
  EXPECT_EQ(table.FindDir(u"\\"), &table.Root());
  EXPECT_EQ(table.FindDir(u""), &table.Root());
  EXPECT_EQ(table.FindDir(u"\\C"), nullptr);
}

TEST(FileTable, FindDirPrefersTheExactCase) {
  TFileTable table;
  auto upper = table.CreateDir(u"\\", u"Docs");
  auto lower = table.CreateDir(u"\\", u"docs");
  ASSERT_TRUE(upper && lower);
  EXPECT_NE(*upper, *lower);
  EXPECT_EQ(table.FindDir(u"\\docs"), *lower);
  EXPECT_EQ(table.FindDir(u"\\Docs"), *upper);
}

TEST(FileTable, BackslashIsAnOrdinaryNameCharacter) {
  TTempDir dir;
  TFileTable table;
  auto folder = table.CreateDir(table.Root(), u"a\\b", 0);
  ASSERT_TRUE(folder);
  ASSERT_TRUE(table.InsertFile(**folder, dir.File("f", 3).string(), u"", u"c\\d"));
  EXPECT_EQ((*folder)->LongName, u"a\\b");
  EXPECT_EQ(table.FileLongName(1), u"c\\d");
}

TEST(FileTable, AddHandlerCanSkipAndRewrite) {
  TTempDir dir;
  const auto source = dir.File("f", 5).string();
  TFileTable table;
  table.OnAddFile = [](const std::string* path, TFindData& fd, bool& skip) {
    if (path != nullptr && fd.Name == u"skip") skip = true;
    if (fd.Name == u"rename") fd.Name = u"renamed";
  };
  EXPECT_FALSE(table.InsertFile(u"\\", source, u"", u"skip"));
  ASSERT_TRUE(table.InsertFile(u"\\", source, u"", u"rename"));
  EXPECT_EQ(table.FileCount(), 1u);
  EXPECT_EQ(table.FileLongName(0), u"renamed");
}

TEST(FileTable, RegularFilesAreNotHidden) {
  TTempDir dir;
  TFileTable table;
  auto added = table.InsertFile(u"\\", dir.File(".profile", 5).string(), u"", u".profile");
  ASSERT_TRUE(added);
  EXPECT_EQ((*added)->Attributes & AttributeHidden, 0u);
}

}  // namespace
}  // namespace velmarond::image
