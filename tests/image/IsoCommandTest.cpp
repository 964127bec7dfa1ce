// velmarond-cli iso on bad input: one clear line, a non-zero exit, and no file that looks complete.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "TestTree.h"

namespace velmarond::image {
namespace {

using testing::TTempDir;
namespace fs = std::filesystem;

const std::string Cli = std::string(VELMAROND_BINARY_DIR) + "/src/cli/velmarond-cli";

int RunIso(const std::string& arguments, std::string& output) {
  FILE* pipe = ::popen(("'" + Cli + "' iso " + arguments + " 2>&1").c_str(), "r");
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(IsoCommand, BadInputFailsCleanly) {
  TTempDir dir;
  const std::string d = dir.Path().string();
  dir.File("src/a.txt", 100);
  ::mkfifo((d + "/pipe").c_str(), 0644);
  struct Case {
    const char* Name;
    std::string Arguments;
    std::string Target;
    std::string Message;
  } cases[] = {
      {"missing path", "-o " + d + "/out.iso " + d + "/nothing", d + "/out.iso", "cannot find"},
      {"output inside", "-o " + d + "/src/out.iso " + d + "/src", d + "/src/out.iso", "inside the compilation"},
      {"output is the source", "-o " + d + "/src/a.txt " + d + "/src/a.txt", "", "inside the compilation"},
      {"output not a file", "-o " + d + "/pipe " + d + "/src", "", "not a regular file"},
      {"special source", "-o " + d + "/out.iso " + d + "/pipe", d + "/out.iso", "not a regular file or folder"},
      {"cache too large", "--cache-mb 9999 -o " + d + "/out.iso " + d + "/src", d + "/out.iso", "MiB"},
      {"no sources", "-o " + d + "/out.iso", d + "/out.iso", "usage"},
  };
  for (const auto& c : cases) {
    std::string output;
    EXPECT_NE(RunIso(c.Arguments, output), 0) << c.Name;
    EXPECT_NE(output.find(c.Message), std::string::npos) << c.Name << ": " << output;
    if (!c.Target.empty()) {
      EXPECT_FALSE(fs::exists(c.Target)) << c.Name;
    }
  }
  EXPECT_EQ(fs::file_size(d + "/src/a.txt"), 100u) << "a source is never overwritten";
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".velmarond-iso"), std::string::npos) << "temporary file left";
}

TEST(IsoCommand, UnreadableSourceLeavesNoImage) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TTempDir dir;
  const auto locked = dir.File("src/locked.bin", 5000);
  ::chmod(locked.c_str(), 0);
  std::string output;
  EXPECT_NE(RunIso("-o " + dir.Path().string() + "/out.iso " + dir.Path().string() + "/src", output), 0);
  EXPECT_NE(output.find(locked.string()), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(dir.Path() / "out.iso"));
}

TEST(IsoCommand, ReplacesAnExistingImageOnlyWhenComplete) {
  TTempDir dir;
  const auto target = dir.File("out.iso", 1234);
  dir.File("src/a.txt", 100);
  std::string output;
  ASSERT_EQ(RunIso("--volume Backup -o " + target.string() + " " + dir.Path().string() + "/src", output), 0) << output;
  EXPECT_NE(output.find("volume size 160 sectors"), std::string::npos) << output;
  EXPECT_EQ(fs::file_size(target), 160u * 2048);
}

}  // namespace
}  // namespace velmarond::image
