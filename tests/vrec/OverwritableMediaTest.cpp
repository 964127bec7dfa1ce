// Overwritable media: random writes once formatted, FORMAT UNIT and BLANK with progress.

#include <gtest/gtest.h>

#include "RecorderHarness.h"

namespace velmarond::vrec::test {
namespace {

std::vector<std::uint8_t> FormatList(std::uint8_t type, std::uint32_t blocks, std::uint32_t parameter, bool immediate) {
  return {0, std::uint8_t(immediate ? 0x82 : 0x80), 0, 8, std::uint8_t(blocks >> 24), std::uint8_t(blocks >> 16),
          std::uint8_t(blocks >> 8), std::uint8_t(blocks), std::uint8_t(type << 2), std::uint8_t(parameter >> 16),
          std::uint8_t(parameter >> 8), std::uint8_t(parameter)};
}

struct OverwriteCase {
  MediumKind Kind;
  std::optional<std::uint8_t> FormatType;  // needed before the first write
  std::string UnformattedWriteSense;
};

class OverwritableMedia : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(OverwritableMedia, RandomWritesOnceFormatted) {
  const auto c = GetParam();
  Harness h(c.Kind);
  EXPECT_EQ(h.Write(4096, 32).Sense(), c.UnformattedWriteSense);
  if (c.FormatType) {
    ASSERT_EQ(h.Out({0x04, 0x11, 0, 0, 0, 0}, FormatList(*c.FormatType, 0, 0, false)).Sense(), "-");
  }
  ASSERT_EQ(h.Write(4096, 32, 0x11).Sense(), "-");
  ASSERT_EQ(h.Write(0, 32, 0x22).Sense(), "-") << "before data written earlier";
  ASSERT_EQ(h.Write(4096, 16, 0x33).Sense(), "-") << "over data written earlier";
  const auto read = h.In({0xA8, 0, 0, 0, 0x10, 0x00, 0, 0, 0, 32, 0, 0}, 32 * 2048);
  ASSERT_EQ(read.Sense(), "-");
  EXPECT_EQ(read.Data[0], 0x33);
  EXPECT_EQ(read.Data[16 * 2048], 0x11);
  const auto capacity = h.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).Data;
  EXPECT_EQ(Be32(capacity, 0) + 1, TraitsOf(c.Kind).Capacity);
  EXPECT_TRUE(h.DiscInfo()[2] & 0x10) << "erasable";
}

INSTANTIATE_TEST_SUITE_P(Families, OverwritableMedia,
                         ::testing::Values(OverwriteCase{MediumKind::DvdPlusRw, std::nullopt, "-"},
                                           OverwriteCase{MediumKind::DvdRam, std::nullopt, "-"},
                                           OverwriteCase{MediumKind::DvdRwRestricted, std::nullopt, "-"},
                                           OverwriteCase{MediumKind::BdRe, 0x30, "5/30/05"}));

TEST(FormatUnit, RefusesFormatTypesTheMediumDoesNotTake) {
  struct Case {
    MediumKind Kind;
    std::uint8_t Type;
    std::string Sense;
  };
  const Case cases[] = {{MediumKind::DvdPlusRw, 0x26, "-"}, {MediumKind::DvdPlusRw, 0x30, "5/26/00"},
                        {MediumKind::DvdRam, 0x00, "-"},    {MediumKind::BdRe, 0x26, "5/26/00"},
                        {MediumKind::DvdRw, 0x15, "-"},     {MediumKind::DvdRw, 0x13, "5/26/00"},
                        {MediumKind::DvdRwRestricted, 0x13, "-"}};
  for (const Case& c : cases) {
    Harness h(c.Kind);
    EXPECT_EQ(h.Out({0x04, 0x11, 0, 0, 0, 0}, FormatList(c.Type, 0, 16, true)).Sense(), c.Sense)
        << MediumKindName(c.Kind) << " type " << int(c.Type);
  }
}

TEST(FormatUnit, QuickFormatTurnsSequentialDvdRwIntoRestrictedOverwrite) {
  Harness h(MediumKind::DvdRw);
  ASSERT_EQ(h.Out({0x04, 0x11, 0, 0, 0, 0}, FormatList(0x15, 1000, 16, true)).Sense(), "-");
  const auto config = h.In({0x46, 0x01, 0, 0, 0, 0, 0, 0, 8, 0}, 8).Data;
  EXPECT_EQ(config[7], 0x13) << "current profile: DVD-RW restricted overwrite";
}

struct LongOperationCase {
  std::string Name;
  MediumKind Kind;
  std::vector<std::uint8_t> Cdb;
  std::vector<std::uint8_t> Parameters;
  std::string InProgressSense;
};

class LongOperations : public ::testing::TestWithParam<LongOperationCase> {};

TEST_P(LongOperations, ReportProgressUntilDone) {
  const auto c = GetParam();
  DriveDescription drive;
  drive.SpeedKBps = 1385 * 4;
  Harness h(c.Kind, drive);
  ASSERT_EQ(c.Parameters.empty() ? h.None(c.Cdb).Sense() : h.Out(c.Cdb, c.Parameters).Sense(), "-");
  const auto first = h.None({0, 0, 0, 0, 0, 0});
  EXPECT_EQ(first.Sense(), c.InProgressSense);
  EXPECT_TRUE(first.Result.Sense[15] & 0x80) << "progress indication valid";
  const int firstProgress = first.Result.Sense[16] << 8 | first.Result.Sense[17];
  h.Time.Advance(200);
  const auto later = h.In({0x03, 0, 0, 0, 18, 0}, 18);
  ASSERT_EQ(later.Sense(), "-");
  EXPECT_EQ(later.Data[12], first.Result.Sense[12]) << "REQUEST SENSE tells the same operation";
  EXPECT_GT(later.Data[16] << 8 | later.Data[17], firstProgress);
  EXPECT_EQ(h.In({0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34).Sense(), c.InProgressSense) << "disc information waits too";
  h.Time.Advance(24 * 3600 * 1000);
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Sense(), "-");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, LongOperations,
    ::testing::Values(
        LongOperationCase{"BlankCdRwMinimal", MediumKind::CdRw, {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, "2/04/07"},
        LongOperationCase{"BlankDvdRwFull", MediumKind::DvdRw, {0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, "2/04/07"},
        LongOperationCase{"FormatDvdRam", MediumKind::DvdRam, {0x04, 0x11, 0, 0, 0, 0},
                          FormatList(0x00, 0x00222120, 2048, true), "2/04/04"},
        LongOperationCase{"FormatBdRe", MediumKind::BdRe, {0x04, 0x11, 0, 0, 0, 0}, FormatList(0x30, 640, 0x1000, true), "2/04/04"}),
    [](const auto& info) { return info.param.Name; });

TEST(Blank, EmptiesAWrittenDisc) {
  Harness h(MediumKind::CdRw);
  ASSERT_EQ(h.Write(0, 32).Sense(), "-");
  ASSERT_EQ(h.Close(2).Sense(), "-");
  ASSERT_EQ(h.None({0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(), "-");
  EXPECT_EQ(h.DiscInfo()[2] & 0x03, 0) << "blank again";
  EXPECT_EQ(h.NextWritable(), 0u);
}

}  // namespace
}  // namespace velmarond::vrec::test
