#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "image/UdfFileEntries.h"
#include "image/UdfTag.h"

namespace velmarond::udf {
namespace {

constexpr std::uint64_t GiB = 1ull << 30;

TEST(UdfFileEntries, LargeFilesGetAsManyShortDescriptorsAsTheyNeed) {
  struct Case {
    std::uint64_t Length;
    std::vector<std::uint32_t> Pieces;
  };
  const Case cases[] = {
      {0, {}},
      {1, {1}},
      {GiB - 1, {GiB - 1}},
      {GiB, {MaxShortAdLength, 2048}},
      {5 * GiB, {MaxShortAdLength, MaxShortAdLength, MaxShortAdLength, MaxShortAdLength, MaxShortAdLength, 5 * 2048}},
  };
  for (const auto& c : cases) {
    const auto ads = SplitIntoShortAds(c.Length, 100);
    ASSERT_EQ(ads.size(), c.Pieces.size()) << c.Length;
    std::uint32_t expectedLbn = 100;
    for (std::size_t i = 0; i < ads.size(); ++i) {
      EXPECT_EQ(ads[i].ExtentLength.Get(), c.Pieces[i]);  // type bits 0: recorded and allocated
      EXPECT_EQ(ads[i].ExtentPosition.Get(), expectedLbn);  // the pieces follow each other without a gap
      expectedLbn += c.Pieces[i] / 2048;
    }
  }
}

TEST(UdfFileEntries, EntryRecordsExactlyItsDescriptors) {
  struct Case {
    std::uint64_t Length;
    std::uint32_t AllocationBytes;
  };
  const Case cases[] = {{0, 0}, {40, 8}, {5 * GiB, 48}, {MaxEntryInformationLength, 1872}};
  for (const auto& c : cases) {
    std::array<std::uint8_t, SectorSize> block{};
    FileEntryFacts facts;
    facts.InformationLength = c.Length;
    facts.DataLbn = 7;
    facts.Lbn = 3;
    WriteFileEntry(block, facts);
    FileEntryHeader fe;
    std::memcpy(&fe, block.data(), sizeof fe);
    EXPECT_EQ(fe.LengthOfAllocationDescriptors.Get(), c.AllocationBytes);
    EXPECT_EQ(fe.Tag.DescriptorCrcLength.Get(), 160 + c.AllocationBytes);
    EXPECT_EQ(fe.Tag.DescriptorCrc.Get(), Crc16(std::span(block).subspan(16, 160 + c.AllocationBytes)));
    EXPECT_EQ(fe.LogicalBlocksRecorded.Get(), (c.Length + 2047) / 2048);
    EXPECT_EQ(fe.Icb.FileType, 5);
    EXPECT_EQ(fe.Permissions.Get(), 0x14A5u);
  }
}

TEST(UdfFileEntries, IdentifierDescriptorLengthIsPaddedToFourBytes) {
  struct Case {
    std::size_t IdentifierBytes;
    std::size_t Length;
  };
  // A name of n two-byte units: 38 + 2n + 1 rounded up to a multiple of 4.
  const Case cases[] = {{0, 40}, {1 + 2 * 1, 44}, {1 + 2 * 3, 48}, {1 + 8, 48}, {255, 296}};
  for (const auto& c : cases) EXPECT_EQ(FileIdentifierLength(c.IdentifierBytes), c.Length) << c.IdentifierBytes;

  const auto fid = MakeFileIdentifier(IdentifierKind::Directory, {8, 'd', 'i', 'r'}, 12, 9);
  ASSERT_EQ(fid.size(), 44u);
  EXPECT_EQ(fid[18], 0x02);
  EXPECT_EQ(fid[19], 4);
  EXPECT_EQ(fid[10] | fid[11] << 8, 44 - 16);
  EXPECT_EQ(fid[12], 9);   // tag location
  EXPECT_EQ(fid[24], 12);  // the entry it names
}

}  // namespace
}  // namespace velmarond::udf

#include "image/UdfAllocation.h"

namespace velmarond::udf {
namespace {

TEST(UdfAllocation, RefusesWhatOneFileEntryCannotDescribe) {
  struct Case {
    const char* Name;
    UdfTreeEntry Entry;
    bool Accepted;
  };
  const Case cases[] = {
      {"largest file", {u"big", NotADirectory, MaxEntryInformationLength, 0, false}, true},
      {"one byte more", {u"big", NotADirectory, MaxEntryInformationLength + 1, 0, false}, false},
      {"imported before the partition", {u"old", NotADirectory, 100, 200, true}, false},
      {"imported inside the partition", {u"old", NotADirectory, 100, 300, true}, true},
      {"empty imported file", {u"old", NotADirectory, 0, 0, true}, true},
  };
  for (const auto& c : cases) {
    UdfTree tree;
    tree.Directories[0].Entries.push_back(c.Entry);
    const auto layout = AllocateMetadata(tree, 270);
    EXPECT_EQ(layout.HasValue(), c.Accepted) << c.Name;
    if (!layout) {
      EXPECT_NE(layout.GetError().Text.find(c.Entry.Name == u"big" ? "big" : "old"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace velmarond::udf
