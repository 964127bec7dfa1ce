// Write-once media from blank to appendable to complete, as a drive keeps tracks and sessions.

#include <gtest/gtest.h>

#include "RecorderHarness.h"

namespace velmarond::vrec::test {
namespace {

struct SequentialCase {
  MediumKind Kind;
  std::uint8_t WriteType;         // what the page selects for this medium
  std::uint8_t FinalizeFunction;  // close function that completes the disc (2: close session without next)
  std::optional<std::uint32_t> SecondSessionStart;  // exact where the medium's figures are fixed
  std::uint32_t Blocking;
};

class SequentialMedia : public ::testing::TestWithParam<SequentialCase> {};

TEST_P(SequentialMedia, BlankWriteCloseAppendComplete) {
  const SequentialCase c = GetParam();
  Harness h(c.Kind);
  EXPECT_EQ(h.DiscInfo()[2] & 0x03, 0) << "blank";
  ASSERT_EQ(h.SetWriteParameters(c.WriteType, 3).Sense(), "-");

  EXPECT_EQ(h.NextWritable(), 0u);
  EXPECT_EQ(h.Write(16, 32).Sense(), "5/21/02") << "not the next writable address";
  ASSERT_EQ(h.Write(0, 32).Sense(), "-");
  EXPECT_EQ(h.NextWritable(), 32u);
  ASSERT_EQ(h.Close(1, 1).Sense(), "-");
  EXPECT_EQ(h.DiscInfo()[2] & 0x0F, 0x05) << "appendable, last session incomplete";
  ASSERT_EQ(h.Close(2).Sense(), "-");

  const auto appendable = h.DiscInfo();
  EXPECT_EQ(appendable[2] & 0x0F, 0x01) << "appendable, last session empty";
  EXPECT_EQ(appendable[4], 2) << "the empty next session counts";
  const std::uint32_t second = h.NextWritable();
  if (c.SecondSessionStart) {
    EXPECT_EQ(second, *c.SecondSessionStart);
  }
  EXPECT_GT(second, 32u);
  EXPECT_EQ(second % c.Blocking, 0u);
  EXPECT_EQ(h.Write(32, 16).Sense(), "5/21/02") << "the gap between sessions is not writable";
  ASSERT_EQ(h.Write(second, 32, 0x5A).Sense(), "-");
  ASSERT_EQ(h.Close(1, 2).Sense(), "-");
  if (c.FinalizeFunction == 2) {
    ASSERT_EQ(h.SetWriteParameters(c.WriteType, 0).Sense(), "-");
  }
  ASSERT_EQ(h.Close(c.FinalizeFunction).Sense(), "-");

  EXPECT_EQ(h.DiscInfo()[2] & 0x0F, 0x0E) << "complete, last session complete";
  EXPECT_EQ(h.Write(second + 32, 32).Sense(), "5/21/02") << "a complete disc takes no more data";
  EXPECT_EQ(h.Close(2).Sense(), "5/2C/04");
  const auto first = h.In({0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 2048);
  ASSERT_EQ(first.Sense(), "-");
  EXPECT_EQ(first.Data[100], 0xA5);
  EXPECT_EQ(h.In({0x28, 0, 0, 0, 0, 40, 0, 0, 1, 0}, 2048).Sense(), "5/21/00") << "unrecorded gap";
}

INSTANTIATE_TEST_SUITE_P(
    Families, SequentialMedia,
    ::testing::Values(SequentialCase{MediumKind::CdR, 1, 2, 32 + 11'400, 1},
                      SequentialCase{MediumKind::CdRw, 1, 2, 32 + 11'400, 1},
                      SequentialCase{MediumKind::DvdR, 0, 2, std::nullopt, 16},
                      SequentialCase{MediumKind::DvdRw, 0, 2, std::nullopt, 16},
                      SequentialCase{MediumKind::DvdPlusR, 0, 5, std::nullopt, 16},
                      SequentialCase{MediumKind::DvdPlusRDl, 0, 6, std::nullopt, 16},
                      SequentialCase{MediumKind::BdR, 0, 6, std::nullopt, 32},
                      SequentialCase{MediumKind::HdDvdR, 0, 2, std::nullopt, 32}),
    [](const auto& info) {
      std::string name(MediumKindName(info.param.Kind));
      for (char& ch : name) ch = ch == '+' ? 'p' : std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

struct RefusalCase {
  std::string Name;
  MediumKind Kind;
  std::vector<std::uint8_t> Cdb;
  std::string Sense;
};

class SequentialRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SequentialRefusals, AnswerWithTheSenseADriveGives) {
  Harness h(GetParam().Kind);
  EXPECT_EQ(h.None(GetParam().Cdb).Sense(), GetParam().Sense);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SequentialRefusals,
    ::testing::Values(RefusalCase{"CloseSessionOfBlankDisc", MediumKind::DvdPlusR, {0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0}, "5/2C/04"},
                      RefusalCase{"CloseUnknownTrack", MediumKind::DvdR, {0x5B, 0, 1, 0, 0, 9, 0, 0, 0, 0}, "5/24/00"},
                      RefusalCase{"BlankWriteOnce", MediumKind::CdR, {0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "5/30/05"},
                      RefusalCase{"FormatWriteOnce", MediumKind::DvdPlusR, {0x04, 0, 0, 0, 0, 0}, "5/30/05"},
                      RefusalCase{"UnknownOpcode", MediumKind::CdR, {0xFE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "5/20/00"},
                      RefusalCase{"AtipOfDvd", MediumKind::DvdR, {0x43, 0x02, 0x04, 0, 0, 0, 0, 0, 28, 0}, "5/24/00"},
                      RefusalCase{"ReadCdOfDvd", MediumKind::DvdR, {0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x10, 0, 0}, "5/30/02"}),
    [](const auto& info) { return info.param.Name; });

TEST(WriteParameters, RefusedWhenTheyDoNotSuitTheMedium) {
  struct Case {
    MediumKind Kind;
    std::uint8_t WriteType;
    std::string Sense;
  };
  const Case cases[] = {{MediumKind::DvdPlusR, 2, "5/26/00"}, {MediumKind::DvdPlusR, 3, "5/26/00"},
                        {MediumKind::DvdPlusR, 0, "-"},       {MediumKind::DvdR, 1, "5/26/00"},
                        {MediumKind::DvdR, 2, "-"},           {MediumKind::CdR, 3, "5/26/00"},
                        {MediumKind::CdR, 2, "-"}};
  for (const Case& c : cases) {
    Harness h(c.Kind);
    EXPECT_EQ(h.SetWriteParameters(c.WriteType, 3).Sense(), c.Sense)
        << MediumKindName(c.Kind) << " write type " << int(c.WriteType);
  }
}

TEST(ReserveTrack, WritesGoToTheReservationAndTheNextTrackFollowsIt) {
  Harness h(MediumKind::DvdR);
  ASSERT_EQ(h.None({0x53, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0}).Sense(), "-");  // 256 blocks
  const auto reserved = h.TrackInfo(1);
  EXPECT_TRUE(reserved[6] & 0x80) << "reserved";
  EXPECT_EQ(Be32(reserved, 24), 256u);
  const std::uint32_t second = Be32(h.TrackInfo(2), 8);
  EXPECT_GE(second, 256u);
  ASSERT_EQ(h.Write(0, 32).Sense(), "-");
  EXPECT_EQ(h.Write(250, 32).Sense(), "5/21/02");
  EXPECT_EQ(h.Write(32, 240).Sense(), "5/21/00") << "beyond the reservation";
  ASSERT_EQ(h.Close(1, 1).Sense(), "-");
  EXPECT_EQ(Be32(h.TrackInfo(1), 24), 256u) << "a closed reservation keeps its size";
}

}  // namespace
}  // namespace velmarond::vrec::test
