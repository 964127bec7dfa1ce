// velmarond-cli iso with --udf and --boot, checked by the independent readers.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "../image/ReaderCheck.h"
#include "../image/TestTree.h"
#include "ReaderTools.h"

namespace velmarond::image {
namespace {

using namespace testing;

namespace fs = std::filesystem;

struct TCliCase {
  const char* Name;
  std::function<void(const TTempDir&)> Build;  // writes the sources under "src/"
  const char* Options;
  const char* IsoCheckFlags;
};

void PrintTo(const TCliCase& c, std::ostream* out) { *out << c.Name; }

void DeepTree(const TTempDir& d) {
  fs::path at = "src/top";
  for (int level = 0; level < 30; ++level) {
    at /= "level" + std::to_string(level);
    d.File(at / ("f" + std::to_string(level) + ".txt"), 100 + level * 10, static_cast<char>('a' + level % 20));
  }
  fs::create_directories(d.Path() / "src/top/empty folder");
}

// Names the other trees must shorten or replace; UDF keeps them all as they are.
void AwkwardNames(const TTempDir& d) {
  const std::string longStem(150, 'n');
  d.File("src/awkward/" + longStem + "1.flac", 3000, 'a');
  d.File("src/awkward/" + longStem + "2.flac", 3001, 'b');
  d.File("src/awkward/" + std::string(200, 'z'), 10, 'c');
  d.File("src/awkward/what?.txt", 20, 'd');
  d.File("src/awkward/a:b;c", 23, 'g');
  d.File("src/awkward/back\\slash", 24, 'h');
  d.File("src/awkward/Readme.txt", 25, 'i');
  d.File("src/awkward/README.TXT", 26, 'j');
}

void ManyFilesOneFolder(const TTempDir& d) {
  for (int i = 0; i < 3000; ++i) {
    d.File("src/many/file number " + std::to_string(i) + ".dat", static_cast<std::size_t>(i % 5000),
           static_cast<char>('a' + i % 17));
  }
}

class UdfCliTrees : public ::testing::TestWithParam<TCliCase> {};

// Both sides of the bridge: the ISO 9660 and Joliet trees stay valid, and the UDF tree reads the same files.
TEST_P(UdfCliTrees, EveryReaderSeesTheSources) {
  const TCliCase& c = GetParam();
  TTempDir dir;
  c.Build(dir);
  const fs::path iso = dir.Path() / "out.iso";
  std::string paths;
  for (const auto& entry : fs::directory_iterator(dir.Path() / "src")) paths += " " + Quote(entry.path());
  std::string output;
  ASSERT_EQ(RunCommand(Quote(Cli) + " iso -o " + Quote(iso) + " --udf --volume Velmarond " + c.Options + paths, output), 0)
      << output;
  ExpectReadersAgree(iso, dir.Path() / "src", c.IsoCheckFlags);
  std::uint32_t files = 0;
  for (const auto& item : fs::recursive_directory_iterator(dir.Path() / "src")) files += item.is_regular_file();
  ExpectUdfReadersAgree(iso, dir.Path() / "src", files, true);
}

INSTANTIATE_TEST_SUITE_P(Trees, UdfCliTrees,
                         ::testing::Values(TCliCase{"DeepTree", DeepTree, "", ""},
                                           TCliCase{"AwkwardNames", AwkwardNames, "--iso9660-1999", "--no-joliet"},
                                           TCliCase{"ManyFilesOneFolder", ManyFilesOneFolder, "--cache-mb 2", ""}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(UdfCli, UdfAndBootOptionsMakeAnImageEveryReaderAccepts) {
  TTempDir dir;
  const auto src = dir.Path() / "disc";
  dir.File("disc/Read me.txt", 5000, 'a');
  dir.File("disc/Данные/таблица.csv", 70000, 'k');
  const auto boot = dir.File("boot.img", 2048, 'b');
  const auto iso = dir.Path() / "out.iso";
  const auto built = RunCommand(Quoted(Cli) + " iso -o " + Quoted(iso) + " --udf --boot " + Quoted(boot) +
                                " --volume 'Cli Disc' " + Quoted(src));
  ASSERT_EQ(built.ExitCode, 0) << built.Output;

  const auto info = RunCommand("udfinfo " + Quoted(iso));
  EXPECT_EQ(info.ExitCode, 0) << info.Output;
  EXPECT_NE(info.Output.find("label=Cli Disc"), std::string::npos) << info.Output;
  const auto report = RunCommand("xorriso -indev " + Quoted(iso) + " -report_el_torito plain");
  EXPECT_NE(report.Output.find("El Torito boot img :   1  BIOS  y   none"), std::string::npos) << report.Output;
  const auto out = dir.Path() / "extracted";
  const auto extracted = RunCommand("7z x -tudf -y -o" + Quoted(out) + " " + Quoted(iso));
  ASSERT_EQ(extracted.ExitCode, 0) << extracted.Output;
  const auto diff = RunCommand("diff -r " + Quoted(src) + " " + Quoted(out / "disc"));
  EXPECT_EQ(diff.ExitCode, 0) << diff.Output;
}

TEST(UdfCli, BootImageOfAnotherSizeIsRefusedBeforeAnythingIsWritten) {
  TTempDir dir;
  const auto src = dir.File("disc/a.txt", 10).parent_path();
  const auto iso = dir.Path() / "out.iso";
  const auto built = RunCommand(Quoted(Cli) + " iso -o " + Quoted(iso) + " --boot " +
                                Quoted(dir.File("boot.img", 3000)) + " " + Quoted(src));
  EXPECT_EQ(built.ExitCode, 1) << built.Output;
  EXPECT_NE(built.Output.find("boot image"), std::string::npos) << built.Output;
  EXPECT_FALSE(std::filesystem::exists(iso));
}

}  // namespace
}  // namespace velmarond::image
