// The UDF side of our images read by independent readers: udfinfo, 7z and pycdlib.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "../image/TestTree.h"
#include "ReaderTools.h"
#include "TestImage.h"

namespace velmarond::image {
namespace {

using namespace testing;

struct TCompilation {
  const char* Name;
  std::function<void(const TTempDir&, const std::filesystem::path& src)> Make;
  bool Small = true;  // a giant's bytes are streamed through 7z instead of being extracted
};

void ManyScripts(const TTempDir& dir, const std::filesystem::path& src) {
  const char* names[] = {"Readme.txt",  "README.TXT",      "Ελληνικά.txt",  "Кириллица.doc", "日本語のファイル.txt",
                         "العربية.pdf", "한국어 문서.hwp", "café crème", "emoji 😀.png", ".hidden", "a;b*c?d.txt"};
  char seed = 'a';
  for (const char* name : names) dir.File(std::filesystem::path("src") / name, 3000 + seed, seed), ++seed;
  dir.File(src / "Вложенная папка" / "深い" / "leaf.bin", 5000, 'x');
  std::filesystem::create_directories(src / "empty folder");
  dir.File(src / "zero.bin", 0);
}

void ManyEntries(const TTempDir& dir, const std::filesystem::path&) {
  // Enough identifiers of uneven lengths for the directory to span sectors with descriptors split between them.
  for (int i = 0; i < 400; ++i) {
    dir.File(std::filesystem::path("src") / "many" / ("file number " + std::to_string(i) + std::string(i % 37, 'x')), 10 + i,
             static_cast<char>('a' + i % 20));
  }
}

void AnchorAlone(const TTempDir& dir, const std::filesystem::path&) {
  // One file of 20 sectors after the metadata at 268 ends the data at 288, a multiple of 32.
  dir.File("src/f.bin", 20 * 2048);
}

void Empty(const TTempDir&, const std::filesystem::path& src) { std::filesystem::create_directories(src); }

void SparseGiant(const TTempDir& dir, const std::filesystem::path& src) {
  std::filesystem::create_directories(src);
  const auto path = src / "giant.bin";
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::uint64_t size = 5ull << 30;
  // Marks at the start, around the 1 GiB descriptor boundaries and at the end show misplaced extents.
  const std::uint64_t marks[] = {0, (1ull << 30) - 2048, 1ull << 30, 3ull << 30, size - 4};
  for (std::uint64_t at : marks) ASSERT_EQ(::pwrite(fd, "MARK", 4, static_cast<off_t>(at)), 4);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
  ::close(fd);
  dir.File(src / "small.txt", 100);
}

void PrintTo(const TCompilation& c, std::ostream* out) { *out << c.Name; }

class UdfReaders : public ::testing::TestWithParam<TCompilation> {};

TEST_P(UdfReaders, ReadTheSameTreeAsTheSources) {
  TTempDir dir;
  const auto src = dir.Path() / "src";
  GetParam().Make(dir, src);
  TTestImage image;
  AddFolder(image.State.Table, image.State.Table.Root(), src);
  const auto iso = dir.Path() / "image.iso";
  ASSERT_EQ(image.Write(iso), "");

  ExpectUdfReadersAgree(iso, src, image.Udf.Bridge().Files(), GetParam().Small);
}

INSTANTIATE_TEST_SUITE_P(Compilations, UdfReaders,
                         ::testing::Values(TCompilation{"ManyScripts", ManyScripts},
                                           TCompilation{"ManyEntries", ManyEntries},
                                           TCompilation{"AnchorAlone", AnchorAlone},
                                           TCompilation{"Empty", Empty},
                                           TCompilation{"SparseGiant", SparseGiant, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(UdfReaders, LongWideNamesAreShortenedAndReadable) {
  TTempDir dir;
  const std::string wide = "Ж" + std::string(200, 'a');  // 206 units that need two bytes each: more than 255 bytes
  dir.File(std::filesystem::path("src") / (wide + "1.txt"), 100, 'a');
  dir.File(std::filesystem::path("src") / (wide + "2.txt"), 200, 'b');
  TTestImage image;
  AddFolder(image.State.Table, image.State.Table.Root(), dir.Path() / "src");
  const auto iso = dir.Path() / "image.iso";
  ASSERT_EQ(image.Write(iso), "");
  const auto listed = RunCommand("/usr/bin/python3 " + Quoted(UdfTreeScript) + " " + Quoted(iso));
  ASSERT_EQ(listed.ExitCode, 0) << listed.Output;
  // Two distinct shortened names, each keeping the extension, with both files' sizes.
  EXPECT_NE(listed.Output.find("~1.txt\t"), std::string::npos) << listed.Output;
  EXPECT_NE(listed.Output.find("~2.txt\t"), std::string::npos) << listed.Output;
  EXPECT_NE(listed.Output.find("\t100\t"), std::string::npos);
  EXPECT_NE(listed.Output.find("\t200\t"), std::string::npos);
}

}  // namespace
}  // namespace velmarond::image
