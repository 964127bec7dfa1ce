// Images built by the engine, read back by independent readers (xorriso/osirrox, isoinfo, 7z, pycdlib)
// through tests/image/check_iso.py, which compares what they extract with the sources.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>

#include "device/EventDispatch.h"
#include "image/VOVIRavadeZer.h"
#include "writer/WriteThread.h"
#include "ReaderCheck.h"
#include "TestTree.h"

namespace velmarond::image {
namespace {

using namespace testing;
namespace fs = std::filesystem;

struct TTreeCase {
  const char* Name;
  std::function<void(const TTempDir&)> Build;  // writes the sources under "src/"
  const char* CliOptions;
  const char* CheckFlags;
};

void OneFile(const TTempDir& d) { d.File("src/file.bin", 2048); }

void DeepTree(const TTempDir& d) {
  fs::path at = "src/top";
  for (int level = 0; level < 30; ++level) {
    at /= "level" + std::to_string(level);
    d.File(at / ("f" + std::to_string(level) + ".txt"), 100 + level * 10, static_cast<char>('a' + level % 20));
  }
  fs::create_directories(d.Path() / "src/top/empty folder");
}

void ManyScripts(const TTempDir& d) {
  const char* names[] = {"café.txt", "Ärger über Öl.pdf", "日本語のファイル.txt", "中文目录/文件.doc", "한국어.hwp",
                         "Ελληνικά.txt", "русский.txt", "עברית.txt", "😀 smile.png", "🎵/song 🎶.mp3",
                         "Readme.txt", "README.TXT", "readme.txt", "longfilename1.txt", "longfilename2.txt",
                         "longfilename3.txt", "LONGFI_1.TXT", "dotless", ".hidden-looking", "a.b.c.d.e",
                         "spaces in name .txt", "x.verylongextension"};
  char seed = 'A';
  for (const char* name : names) {
    d.File(fs::path("src/scripts") / name, 1000 + static_cast<std::size_t>(seed) * 7, seed);
    ++seed;
  }
}

// Names Joliet cannot carry as they are: too long or with forbidden characters. Readers see
// shortened or replaced names, so the contents are compared.
void AwkwardNames(const TTempDir& d) {
  const std::string longStem(150, 'n');
  d.File("src/awkward/" + longStem + "1.flac", 3000, 'a');
  d.File("src/awkward/" + longStem + "2.flac", 3001, 'b');
  d.File("src/awkward/" + std::string(200, 'z'), 10, 'c');
  d.File("src/awkward/what?.txt", 20, 'd');
  d.File("src/awkward/what*.txt", 21, 'e');
  d.File("src/awkward/what_.txt", 22, 'f');
  d.File("src/awkward/a:b;c", 23, 'g');
  d.File("src/awkward/back\\slash", 24, 'h');
}

void ManyFilesOneFolder(const TTempDir& d) {
  for (int i = 0; i < 3000; ++i) d.File("src/many/file number " + std::to_string(i) + ".dat", static_cast<std::size_t>(i % 5000), static_cast<char>('a' + i % 17));
}

void Mixed(const TTempDir& d) {
  DeepTree(d);
  d.File("src/root file.txt", 5000);
  d.File("src/empty.txt", 0);
  d.File("src/Mixed Case/Ünïcode ñame.TXT", 70000);
}

class Readers : public ::testing::TestWithParam<TTreeCase> {};

TEST_P(Readers, ExtractEveryFileExactly) {
  const TTreeCase& c = GetParam();
  TTempDir dir;
  c.Build(dir);
  const fs::path iso = dir.Path() / "out.iso";
  std::string paths;
  for (const auto& entry : fs::directory_iterator(dir.Path() / "src")) paths += " " + Quote(entry.path());
  std::string output;
  ASSERT_EQ(RunCommand(Quote(Cli) + " iso -o " + Quote(iso) + " " + c.CliOptions + paths, output), 0) << output;
  EXPECT_EQ(fs::file_size(iso) % (32 * 2048), 0u);
  ExpectReadersAgree(iso, dir.Path() / "src", c.CheckFlags);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, Readers,
    ::testing::Values(TTreeCase{"OneFile", OneFile, "", ""},
                      TTreeCase{"OneFileIsoOnly", OneFile, "--no-joliet", "--no-joliet"},
                      TTreeCase{"DeepTree", DeepTree, "", ""},
                      TTreeCase{"DeepTreeIsoOnly", DeepTree, "--no-joliet", "--no-joliet"},
                      TTreeCase{"ManyScripts", ManyScripts, "", ""},
                      TTreeCase{"ManyScriptsIso1999", ManyScripts, "--iso9660-1999", ""},
                      TTreeCase{"ManyScriptsIso1999Only", ManyScripts, "--iso9660-1999 --no-joliet", "--no-joliet"},
                      TTreeCase{"AwkwardNames", AwkwardNames, "", "--no-joliet"},
                      TTreeCase{"AwkwardNamesIso1999", AwkwardNames, "--iso9660-1999", "--no-joliet"},
                      TTreeCase{"ManyFilesOneFolder", ManyFilesOneFolder, "--cache-mb 2", ""},
                      TTreeCase{"MixedIso1999", Mixed, "--iso9660-1999 --volume 'Disc ü'", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

// An empty compilation goes through the engine directly: the CLI always has a source.
TEST(ReadersEmpty, EmptyCompilation) {
  for (bool joliet : {true, false}) {
    TTempDir dir;
    fs::create_directories(dir.Path() / "src");
    QueueDispatch dispatch;
    writer::TFileWriterFactory writers;
    std::optional<bool> failed;
    VOVIRavadeZer engine(dispatch, writers);
    engine.SetJolietFileSystem(joliet);
    engine.OnWriteDone = [&](VOVIRavadeZer&, std::uint8_t, bool f) { failed = f; };
    engine.ClearAll();
    ASSERT_TRUE(engine.PrepareImage());
    EXPECT_EQ(engine.ImageSectors(), 160u);
    ASSERT_TRUE(engine.SaveImageFile((dir.Path() / "empty.iso").string()));
    while (!failed) dispatch.DrainFor(std::chrono::milliseconds(100));
    EXPECT_FALSE(*failed);
    EXPECT_EQ(fs::file_size(dir.Path() / "empty.iso"), 160u * 2048);
    ExpectReadersAgree(dir.Path() / "empty.iso", dir.Path() / "src", joliet ? "" : "--no-joliet");
  }
}

}  // namespace
}  // namespace velmarond::image
