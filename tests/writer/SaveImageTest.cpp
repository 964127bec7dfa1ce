// SaveImageFile end to end: producer, cache and writer, and the ways a save must fail.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <set>

#include "device/EventDispatch.h"
#include "image/VOVIRavadeZer.h"
#include "writer/WriteThread.h"
#include "TestTree.h"

namespace velmarond::image {
namespace {

using testing::TTempDir;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SaveImage : public ::testing::Test {
 protected:
  // Runs the save to its end; returns the done event's failure flag, or nothing when no event came.
  // A save whose producer stops before the cache is ready does not start, but still reports failure.
  std::optional<bool> Save(const std::string& target) {
    std::optional<bool> failed;
    Engine.OnWriteDone = [&](VOVIRavadeZer&, std::uint8_t, bool f) { failed = f; };
    if (!Engine.SaveImageFile(target)) {
      Dispatch.Drain();
      return failed;
    }
    while (!failed) Dispatch.DrainFor(std::chrono::milliseconds(50));
    return failed;
  }

  TTempDir Dir;
  QueueDispatch Dispatch;
  writer::TFileWriterFactory Writers;
  VOVIRavadeZer Engine{Dispatch, Writers};
};

TEST_F(SaveImage, FileHoldsTheImageWithEachFileAtItsExtent) {
  ASSERT_TRUE(Engine.SetCacheSize(2));
  const auto a = Dir.File("src/a", 5000, 'a');
  const auto b = Dir.File("src/b", 2048 * 40, 'k');  // more than the cache: the writer runs while reading
  const auto c = Dir.File("src/c", 1, 'x');
  ASSERT_TRUE(Engine.CreateDir(u"\\", u"d"));
  ASSERT_TRUE(Engine.InsertFile(u"\\", a.string(), u"", u"a"));
  ASSERT_TRUE(Engine.InsertFile(u"\\d", b.string(), u"", u"b"));
  ASSERT_TRUE(Engine.InsertFile(u"\\d", c.string(), u"", u"c"));
  ASSERT_TRUE(Engine.PrepareImage());
  const fs::path iso = Dir.Path() / "out.iso";
  auto failed = Save(iso.string());
  ASSERT_TRUE(failed.has_value());
  EXPECT_FALSE(*failed) << Engine.LastErrorText();
  const std::string image = ReadAll(iso);
  ASSERT_EQ(image.size(), std::size_t{Engine.ImageSectors()} * 2048);
  EXPECT_EQ(Engine.SectorsWritten(), Engine.ImageSectors());
  const auto& files = Engine.Table().FilesInOrder();
  for (const auto& [index, source] : {std::pair{1, a}, std::pair{2, b}, std::pair{3, c}}) {
    const TFileEntry& entry = *files[index];
    const std::size_t at = (std::size_t{entry.Extent} + 150) * 2048;
    EXPECT_EQ(image.substr(at, entry.Size), ReadAll(source)) << source;
    const std::size_t tail = (entry.Size + 2047) / 2048 * 2048 - entry.Size;
    EXPECT_EQ(image.substr(at + entry.Size, tail), std::string(tail, '\0')) << "sector tail of " << source;
  }
  EXPECT_EQ(Engine.LastError(), ErrorNone);
}

TEST_F(SaveImage, FailuresStopTheSaveAndNameTheirCause) {
  struct Case {
    const char* Name;
    std::function<void(const fs::path& source)> Spoil;  // after PrepareImage
    std::string Target;
    int Code;
    std::string TextPart;
  } cases[] = {
      {"deleted source", [](const fs::path& s) { fs::remove(s); }, "", ErrorOpeningFile, "Error opening file"},
      {"shortened source", [](const fs::path& s) { fs::resize_file(s, 1000); }, "", ErrorOpeningFile, "shorter"},
      {"full disk", [](const fs::path&) {}, "/dev/full", ErrorCreatingFile, "No space left"},
  };
  for (const auto& c : cases) {
    Engine.ClearAll();
    const fs::path source = Dir.File(std::string("src/") + c.Name, 300000);
    ASSERT_TRUE(Engine.InsertFile(u"\\", source.string(), u"", u"file"));
    ASSERT_TRUE(Engine.PrepareImage());
    c.Spoil(source);
    auto failed = Save(c.Target.empty() ? (Dir.Path() / "out.iso").string() : c.Target);
    ASSERT_TRUE(failed.has_value()) << c.Name;
    EXPECT_TRUE(*failed) << c.Name;
    const std::string text = Engine.LastErrorText();
    EXPECT_NE(text.find(c.TextPart), std::string::npos) << c.Name << ": " << text;
    if (c.Code == ErrorOpeningFile) {
      EXPECT_NE(text.find(source.string()), std::string::npos) << c.Name << ": " << text;
    }
    EXPECT_EQ(Engine.LastErrorText(), "Unknown/No Error!") << "reading clears the error";
  }
}

TEST_F(SaveImage, RefusedBeforeStarting) {
  EXPECT_FALSE(Engine.SaveImageFile((Dir.Path() / "out.iso").string())) << "not prepared";
  EXPECT_EQ(Engine.LastError(), ErrorNotPrepared);
  ASSERT_TRUE(Engine.PrepareImage());
  EXPECT_FALSE(Save((Dir.Path() / "missing" / "out.iso").string()).has_value());
  EXPECT_EQ(Engine.LastError(), ErrorCreatingFile);
}

TEST_F(SaveImage, CacheSizeBounds) {
  struct Case {
    std::uint32_t Set;
    bool Accepted;
    std::uint32_t Reads;
  } cases[] = {{1, true, 2}, {0, true, 2}, {32, true, 32}, {625, true, 625}, {626, false, 625}, {5000, false, 625}};
  for (const auto& c : cases) {
    EXPECT_EQ(Engine.SetCacheSize(c.Set).HasValue(), c.Accepted) << c.Set;
    EXPECT_EQ(Engine.CacheSize(), c.Reads) << c.Set;
  }
}

TEST_F(SaveImage, ComponentDefaults) {
  EXPECT_TRUE(Engine.JolietFileSystem());
  EXPECT_FALSE(Engine.ISO9660v1999FS());
  EXPECT_FALSE(Engine.UDFBridge());
  EXPECT_FALSE(Engine.ReplaceFile());
  EXPECT_EQ(Engine.CacheSize(), 32u);
  EXPECT_TRUE(Engine.BurnProof);
  Engine.SetVolumeID("Backup 2026");
  Engine.SetVolumeID("");
  EXPECT_EQ(Engine.VolumeID(), "");
}

// One folder of 60 000 entries: every one is kept and gets a unique ISO name.
TEST_F(SaveImage, SixtyThousandEntriesInOneFolder) {
  TFileTable& table = Engine.Table();
  for (int i = 0; i < 60000; ++i) {
    TFindData fd;
    const std::string name = "photo from the holidays " + std::to_string(i) + ".jpeg";
    fd.Name.assign(name.begin(), name.end());
    ASSERT_TRUE(table.AddEntry(table.Root(), std::move(fd), 0, nullptr));
  }
  ASSERT_TRUE(Engine.PrepareImage());
  std::set<std::string> names;
  for (const TFileEntry* entry : table.FilesInOrder()) names.insert(entry->ShortName);
  EXPECT_EQ(names.size(), table.FileCount());
}

}  // namespace
}  // namespace velmarond::image
