// What the drive tells about itself and its medium.

#include <gtest/gtest.h>

#include "RecorderHarness.h"

namespace velmarond::vrec::test {
namespace {

class EveryRecordableMedium : public ::testing::TestWithParam<MediumKind> {};

TEST_P(EveryRecordableMedium, CurrentProfileAndBlankStatus) {
  Harness h(GetParam());
  const auto config = h.In({0x46, 0x02, 0, 0, 0, 0, 0, 0, 112, 0}, 112);
  ASSERT_EQ(config.Sense(), "-");
  EXPECT_EQ(config.Data[6] << 8 | config.Data[7], TraitsOf(GetParam()).Profile);
  const auto info = h.DiscInfo();
  const bool formattedAlready = GetParam() == MediumKind::DvdRam || GetParam() == MediumKind::DvdRwRestricted;
  EXPECT_EQ((info[2] & 0x03) == 0, !formattedAlready);
  EXPECT_EQ((info[2] & 0x10) != 0, TraitsOf(GetParam()).Erasable);
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryRecordableMedium,
                         ::testing::Values(MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdR, MediumKind::DvdRw,
                                           MediumKind::DvdRwRestricted, MediumKind::DvdPlusR, MediumKind::DvdPlusRDl,
                                           MediumKind::DvdPlusRw, MediumKind::DvdRam, MediumKind::BdR, MediumKind::BdRe,
                                           MediumKind::HdDvdR));

TEST(GetConfiguration, OneFeatureRequestedAnswersThatFeatureWithItsCurrentBit) {
  struct Case {
    MediumKind Kind;
    std::uint16_t Feature;
    bool Current;
    std::uint8_t Byte4Bit0;  // write bit where the feature has one
  };
  const Case cases[] = {{MediumKind::DvdPlusRw, 0x002A, true, 1}, {MediumKind::CdR, 0x002A, false, 1},
                        {MediumKind::DvdPlusRDl, 0x003B, true, 1}, {MediumKind::DvdR, 0x002F, true, 0},
                        {MediumKind::BdR, 0x0041, true, 0},        {MediumKind::BdRe, 0x0040, true, 0},
                        {MediumKind::HdDvdR, 0x0051, true, 1},     {MediumKind::HdDvdR, 0x0050, true, 1}};
  for (const Case& c : cases) {
    Harness h(c.Kind);
    const auto reply = h.In({0x46, 0x02, std::uint8_t(c.Feature >> 8), std::uint8_t(c.Feature), 0, 0, 0, 0, 112, 0}, 112).Data;
    ASSERT_GE(reply.size(), 13u);
    EXPECT_EQ(reply[8] << 8 | reply[9], c.Feature);
    EXPECT_EQ((reply[10] & 1) != 0, c.Current) << "feature " << std::hex << c.Feature;
    EXPECT_EQ(reply[12] & 1, c.Byte4Bit0) << "feature " << std::hex << c.Feature;
  }
}

TEST(Identification, EmptyDriveAndTray) {
  Harness h;
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Sense(), "2/3A/01");
  const auto inquiry = h.In({0x12, 0, 0, 0, 96, 0}, 96).Data;
  EXPECT_EQ(inquiry[0], 0x05);
  EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 16), "VIRTUAL ");
  Harness loaded(MediumKind::CdR);
  ASSERT_EQ(loaded.None({0x1B, 0, 0, 0, 0x02, 0}).Sense(), "-");
  EXPECT_EQ(loaded.None({0, 0, 0, 0, 0, 0}).Sense(), "2/3A/02") << "tray open";
  ASSERT_EQ(loaded.None({0x1E, 0, 0, 0, 1, 0}).Sense(), "-");
  ASSERT_EQ(loaded.None({0x1B, 0, 0, 0, 0x03, 0}).Sense(), "-");
  EXPECT_EQ(loaded.None({0x1B, 0, 0, 0, 0x02, 0}).Sense(), "5/53/02") << "removal prevented";
}

TEST(ModeSense, CapabilitiesPageCarriesSpeedsAndBuffer) {
  DriveDescription drive;
  drive.SpeedKBps = 5540;
  drive.BufferKiB = 4096;
  Harness h(MediumKind::DvdPlusR, drive);
  const auto reply = h.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 128, 0}, 128).Data;
  ASSERT_EQ(reply[8], 0x2A);
  EXPECT_EQ(reply[8 + 12] << 8 | reply[8 + 13], 4096);
  EXPECT_EQ(reply[8 + 18] << 8 | reply[8 + 19], 5540);
  EXPECT_EQ(h.In({0x5A, 0, 0xEA, 0, 0, 0, 0, 0, 128, 0}, 128).Sense(), "5/39/00") << "saved values";
  EXPECT_EQ(h.In({0x5A, 0, 0x30, 0, 0, 0, 0, 0, 128, 0}, 128).Sense(), "5/24/00");
}

TEST(Buffer, FillsAtWriteSpeedAndDrains) {
  DriveDescription drive;
  drive.SpeedKBps = 1000;  // 1000 bytes per millisecond
  drive.BufferKiB = 256;
  Harness h(MediumKind::DvdPlusR, drive);
  ASSERT_EQ(h.Write(0, 32).Sense(), "-");
  auto free = [&] { return Be32(h.In({0x5C, 0, 0, 0, 0, 0, 0, 0, 12, 0}, 12).Data, 8); };
  EXPECT_EQ(free(), 256u * 1024 - 65536);
  ASSERT_EQ(h.Write(32, 32).Sense(), "-");
  ASSERT_EQ(h.Write(64, 32).Sense(), "-");
  ASSERT_EQ(h.Write(96, 32).Sense(), "-");
  EXPECT_EQ(h.Write(128, 32).Sense(), "2/04/08") << "the buffer is full";
  h.Time.Advance(66);
  EXPECT_EQ(h.Write(128, 32).Sense(), "-") << "room again after 64 KiB drained";
  ASSERT_EQ(h.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(), "-");
  EXPECT_EQ(free(), 256u * 1024) << "SYNCHRONIZE CACHE waits for the buffer to drain";
}

TEST(Faults, InjectedByOpcodeOccurrenceAndLba) {
  Harness h(MediumKind::DvdPlusR);
  h.Recorder.State().Faults.push_back(*ParseFaultRule("opcode=2A occurrence=2 action=check sense=3/0C/00 repeat=1"));
  h.Recorder.State().Faults.push_back(*ParseFaultRule("opcode=28 lba=10-20 action=timeout repeat=0"));
  h.Recorder.State().Faults.push_back(*ParseFaultRule("opcode=00 action=busy repeat=2"));
  EXPECT_EQ(h.Write(0, 32).Sense(), "-");
  EXPECT_EQ(h.Write(32, 32).Sense(), "3/0C/00");
  EXPECT_EQ(h.Write(32, 32).Sense(), "-") << "fired its one time";
  EXPECT_TRUE(h.In({0x28, 0, 0, 0, 0, 15, 0, 0, 1, 0}, 2048).Result.TimedOut);
  EXPECT_EQ(h.In({0x28, 0, 0, 0, 0, 30, 0, 0, 1, 0}, 2048).Sense(), "-") << "outside the range";
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Result.ScsiStatus, 0x08);
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Result.ScsiStatus, 0x08);
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Sense(), "-");
  h.Recorder.State().Faults.push_back(*ParseFaultRule("opcode=00 action=remove"));
  EXPECT_EQ(h.None({0, 0, 0, 0, 0, 0}).Sense(), "2/3A/01") << "the medium was taken out";
}

TEST(Faults, RuleTextRoundTrips) {
  const auto rule = ParseFaultRule("opcode=2A occurrence=3 lba=-150-200 action=check sense=5/21/02 repeat=4");
  ASSERT_TRUE(rule);
  const auto again = ParseFaultRule(FormatFaultRule(*rule));
  ASSERT_TRUE(again);
  EXPECT_EQ(*again->FirstLba, -150);
  EXPECT_EQ(*again->LastLba, 200);
  EXPECT_EQ(again->Sense, (SenseCode{5, 0x21, 0x02}));
  EXPECT_EQ(again->Repeat, 4u);
  EXPECT_FALSE(ParseFaultRule("opcode=2A action=explode"));
  EXPECT_FALSE(ParseFaultRule("sense=5/21"));
}

}  // namespace
}  // namespace velmarond::vrec::test
