// Files of 4 GiB and more: multi-extent records in both trees, read back by independent readers.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "ReaderCheck.h"
#include "TestTree.h"

namespace velmarond::image {
namespace {

using namespace testing;
namespace fs = std::filesystem;

// Files of exactly 4 GiB and of 5 GiB, as sparse sources with marks around the extent boundary.
TEST(ReadersLarge, MultiExtentFiles) {
  TTempDir dir;
  const fs::path src = dir.Path() / "src";
  fs::create_directories(src);
  for (auto [name, size] : {std::pair{"four.bin", 4ULL << 30}, std::pair{"five.bin", 5ULL << 30}}) {
    const int fd = ::open((src / name).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
    for (std::uint64_t offset : {0ULL, (4ULL << 30) - 2050, (4ULL << 30) - 2048, size - 3000}) {
      const std::string mark = std::string(name) + " mark at " + std::to_string(offset);
      ASSERT_EQ(::pwrite(fd, mark.data(), mark.size(), static_cast<off_t>(offset)), static_cast<ssize_t>(mark.size()));
    }
    ::close(fd);
  }
  const fs::path iso = dir.Path() / "big.iso";
  std::string output;
  ASSERT_EQ(RunCommand(Quote(Cli) + " iso -o " + Quote(iso) + " " + Quote(src / "four.bin") + " " + Quote(src / "five.bin"), output), 0) << output;
  ExpectReadersAgree(iso, src, "--big");
}

}  // namespace
}  // namespace velmarond::image
