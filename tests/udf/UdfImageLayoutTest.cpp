#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "../image/TestTree.h"
#include "TestImage.h"
#include "image/UdfTag.h"

namespace velmarond::image {
namespace {

using testing::ReadSector;
using testing::TTempDir;
using testing::TTestImage;

std::uint16_t Le16(const std::vector<std::uint8_t>& s, std::size_t at) { return s[at] | s[at + 1] << 8; }
std::uint32_t Le32(const std::vector<std::uint8_t>& s, std::size_t at) {
  return s[at] | s[at + 1] << 8 | s[at + 2] << 16 | std::uint32_t(s[at + 3]) << 24;
}

// Checks the tag the way a strict reader does; returns its identifier.
std::uint16_t CheckedTag(const std::vector<std::uint8_t>& sector, std::uint32_t location) {
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) sum += i == 4 ? 0 : sector[i];
  EXPECT_EQ(sector[4], sum % 256) << "checksum at " << location;
  const std::uint16_t crcLength = Le16(sector, 10);
  EXPECT_EQ(Le16(sector, 8), udf::Crc16(std::span(sector).subspan(16, crcLength))) << "CRC at " << location;
  EXPECT_EQ(Le32(sector, 12), location) << "tag location";
  return Le16(sector, 0);
}

bool IsZero(const std::vector<std::uint8_t>& sector) {
  return std::all_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b == 0; });
}

TEST(UdfImageLayout, OneFileImageIsLaidOutSectorBySector) {
  TTempDir dir;
  TTestImage image;
  const auto source = dir.File("f.bin", 2048);
  ASSERT_TRUE(image.State.Table.InsertFile(u"\\", source.string(), u"", u"f.bin"));
  const auto target = dir.Path() / "out.iso";
  ASSERT_EQ(image.Write(target), "");
  EXPECT_EQ(std::filesystem::file_size(target), 288u * 2048);
  EXPECT_EQ(image.State.Layout.FileDataStart, 268u);

  struct Expect {
    std::uint32_t Sector;
    std::uint16_t Tag;
    std::uint32_t Location;  // 0 for the sectors without a tag
  };
  // Volume structures carry their sector, structures inside the partition their logical block (sector - 257).
  const Expect tagged[] = {{32, 1, 32},   {33, 6, 33},   {34, 5, 34},  {35, 7, 35},  {36, 4, 36},  {37, 8, 37},
                           {48, 1, 48},   {49, 6, 49},   {50, 5, 50},  {51, 7, 51},  {52, 4, 52},  {53, 8, 53},
                           {64, 9, 64},   {65, 8, 65},   {256, 2, 256}, {257, 256, 0}, {258, 8, 1},
                           {265, 261, 8}, {266, 257, 9}, {267, 261, 10}, {287, 2, 287}};
  for (const auto& e : tagged) EXPECT_EQ(CheckedTag(ReadSector(target, e.Sector), e.Location), e.Tag) << e.Sector;

  const char* recognition[] = {"BEA01", "NSR02", "TEA01"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    const auto sector = ReadSector(target, 19 + i);
    EXPECT_EQ(std::memcmp(sector.data() + 1, recognition[i], 5), 0);
    EXPECT_EQ(sector[6], 1);
  }
  for (std::uint32_t s : {22u, 31u, 38u, 47u, 54u, 63u, 66u, 67u, 100u, 255u, 269u, 286u}) {
    EXPECT_TRUE(IsZero(ReadSector(target, s))) << s;
  }
  for (std::uint32_t s = 259; s <= 262; ++s) EXPECT_FALSE(IsZero(ReadSector(target, s))) << "path table " << s;

  const auto lvd = ReadSector(target, 33);
  EXPECT_EQ(Le32(lvd, 248), 4096u);        // file set extent
  EXPECT_EQ(Le32(lvd, 252), 0u);
  EXPECT_EQ(Le32(lvd, 432), 8192u);        // integrity extent
  EXPECT_EQ(Le32(lvd, 436), 64u);
  const auto pd = ReadSector(target, 34);
  EXPECT_EQ(Le32(pd, 188), 257u);
  EXPECT_EQ(Le32(pd, 192), 288u - 258);
  const auto anchor = ReadSector(target, 287);
  EXPECT_EQ(Le32(anchor, 16), 32768u);
  EXPECT_EQ(Le32(anchor, 20), 32u);
  EXPECT_EQ(Le32(anchor, 28), 48u);
  const auto fsd = ReadSector(target, 257);
  EXPECT_EQ(Le32(fsd, 404), 265u - 257);   // root ICB
  const auto rootEntry = ReadSector(target, 265);
  EXPECT_EQ(Le16(rootEntry, 48), 1);       // link count
  EXPECT_EQ(Le32(rootEntry, 56), 40u + 44u);  // parent entry + "f.bin"
  EXPECT_EQ(Le32(rootEntry, 176 + 4), 266u - 257);
  const auto fileEntry = ReadSector(target, 267);
  EXPECT_EQ(Le32(fileEntry, 56), 2048u);
  EXPECT_EQ(Le32(fileEntry, 176 + 4), 268u - 257);
  EXPECT_EQ(Le32(fileEntry, 160), 16u);    // first unique ID after the root's 0

  std::ifstream in(source, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(ReadSector(target, 268), bytes);
}

TEST(UdfImageLayout, ClosingAnchorTakesANewBlockWhenTheDataEndsOnABlockBoundary) {
  struct Case {
    std::size_t FileBytes;
    bool NewBlock;
    std::uint32_t VolumeSize;
  };
  // The file data starts at 268: 20 sectors end exactly at 288, 19 leave one sector for the anchor.
  const Case cases[] = {{19 * 2048, false, 288}, {20 * 2048, true, 320}, {20 * 2048 - 100, true, 320}};
  for (const auto& c : cases) {
    TTempDir dir;
    TTestImage image;
    ASSERT_TRUE(image.State.Table.InsertFile(u"\\", dir.File("f.bin", c.FileBytes).string(), u"", u"f.bin"));
    const auto target = dir.Path() / "out.iso";
    ASSERT_EQ(image.Write(target), "");
    EXPECT_EQ(image.Udf.Bridge().ClosingAnchorNeedsNewBlock(), c.NewBlock);
    EXPECT_EQ(image.State.Layout.VolumeSize, c.VolumeSize);
    EXPECT_EQ(CheckedTag(ReadSector(target, c.VolumeSize - 1), c.VolumeSize - 1), 2);
    if (c.NewBlock) {
      EXPECT_TRUE(IsZero(ReadSector(target, 288)));
    }
  }
}

TEST(UdfImageLayout, SessionOffsetMovesEveryRecordedLocation) {
  TTempDir dir;
  TTestImage image;
  ASSERT_TRUE(image.State.Table.InsertFile(u"\\", dir.File("f.bin", 2048).string(), u"", u"f.bin"));
  const auto target = dir.Path() / "out.iso";
  constexpr std::uint32_t offset = 10000;
  ASSERT_EQ(image.Write(target, offset), "");
  const auto anchor = ReadSector(target, 256);
  EXPECT_EQ(CheckedTag(anchor, offset + 256), 2);
  EXPECT_EQ(Le32(anchor, 20), offset + 32);
  EXPECT_EQ(Le32(anchor, 28), offset + 48);
  EXPECT_EQ(CheckedTag(ReadSector(target, 287), offset + 287), 2);
  EXPECT_EQ(CheckedTag(ReadSector(target, 257), offset), 256);
  EXPECT_EQ(Le32(ReadSector(target, 257), 404), offset + 265 - 257);
  EXPECT_EQ(Le32(ReadSector(target, 34), 192), offset + 288 - 258);
  EXPECT_EQ(Le32(ReadSector(target, 267), 176 + 4), offset + 268 - 257);
  EXPECT_EQ(CheckedTag(ReadSector(target, 266), offset + 266 - 257), 257);
}

TEST(UdfImageLayout, DirectoryValuesFollowTheTree) {
  TTempDir dir;
  TTestImage image;
  auto& table = image.State.Table;
  ASSERT_TRUE(table.CreateDir(u"\\", u"A"));
  ASSERT_TRUE(table.CreateDir(u"\\A", u"B"));
  ASSERT_TRUE(table.CreateDir(u"\\A", u"C"));
  ASSERT_TRUE(PrepareImage(image.State));
  const TDirEntry* a = table.FindDir(u"\\A");
  EXPECT_EQ(a->UdfLinkCount, 3);
  EXPECT_EQ(a->UdfInformationLength, 40u + 2 * 40);  // "B" and "C": 38 + 2 bytes, padded to 40
  EXPECT_EQ(table.Root().UdfLinkCount, 2);
  EXPECT_EQ(table.FindDir(u"\\A\\B")->UdfLinkCount, 1);
  EXPECT_EQ(image.Udf.Bridge().Directories(), 4u);
  // Pre-order: root entry and area, A's entry and area, then B and C.
  EXPECT_EQ(a->UdfFileEntryBlock, table.Root().UdfFileEntryBlock + 2);
  EXPECT_EQ(table.FindDir(u"\\A\\C")->UdfFileEntryBlock, a->UdfFileEntryBlock + 4);
}

TEST(UdfImageLayout, EmptyCompilationHasTheRootOnly) {
  TTempDir dir;
  TTestImage image;
  const auto target = dir.Path() / "out.iso";
  ASSERT_EQ(image.Write(target), "");
  EXPECT_EQ(image.Udf.Bridge().MetadataSectors(), 2u);
  const auto root = ReadSector(target, image.State.Table.Root().UdfFileEntryBlock);
  EXPECT_EQ(Le16(root, 48), 1);
  EXPECT_EQ(Le32(root, 56), 40u);
  const auto area = ReadSector(target, image.State.Table.Root().UdfFileEntryBlock + 1);
  EXPECT_EQ(area[18], 0x0A);  // the parent entry, pointing at the root itself
  EXPECT_EQ(Le32(area, 24), image.State.Table.Root().UdfFileEntryBlock - 257);
}

}  // namespace
}  // namespace velmarond::image
