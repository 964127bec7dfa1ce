// velmarond-cli iso with --udf and --boot, checked by the independent readers.

#include <gtest/gtest.h>

#include <fstream>

#include "../image/TestTree.h"
#include "ReaderTools.h"

namespace velmarond::image {
namespace {

using namespace testing;

const std::string Cli = std::string(VELMAROND_BINARY_DIR) + "/src/cli/velmarond-cli";

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
