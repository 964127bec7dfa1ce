// Disc-at-once: a cue sheet, the write from LBA -150 in 2352-byte sectors, the TOC that results.

#include <gtest/gtest.h>

#include "RecorderHarness.h"

namespace velmarond::vrec::test {
namespace {

// Two audio tracks of 1000 and 2000 sectors, no pregap on track 2.
const std::vector<std::uint8_t> TwoTrackCue = {
    0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0,     0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0,
    0x01, 0x01, 0x01, 0x00, 0, 0, 2, 0,     0x01, 0x02, 0x01, 0x00, 0, 0, 15, 25,
    0x01, 0xAA, 0x01, 0x01, 0, 0, 42, 0};

Outcome SendCue(Harness& h, const std::vector<std::uint8_t>& cue) {
  return h.Out({0x5D, 0, 0, 0, 0, 0, 0, std::uint8_t(cue.size() >> 8), std::uint8_t(cue.size()), 0}, cue);
}

TEST(DiscAtOnce, AudioTracksGiveTheirToc) {
  Harness h(MediumKind::CdR);
  EXPECT_EQ(SendCue(h, TwoTrackCue).Sense(), "5/2C/00") << "write type is not session-at-once";
  ASSERT_EQ(h.SetWriteParameters(2, 0, 0, 0).Sense(), "-");
  ASSERT_EQ(SendCue(h, TwoTrackCue).Sense(), "-");
  EXPECT_EQ(h.Write(0, 27, 0, 2352).Sense(), "5/21/02") << "the write starts at -150";
  for (std::int64_t lba = -150; lba < 3000; lba += 25) ASSERT_EQ(h.Write(lba, 25, std::uint8_t(lba >= 1000), 2352).Sense(), "-") << lba;
  ASSERT_EQ(h.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(), "-");

  const auto toc = h.In({0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100).Data;
  ASSERT_EQ(toc.size(), 4u + 3 * 8);
  EXPECT_EQ(toc[2], 1);
  EXPECT_EQ(toc[3], 2);
  EXPECT_EQ(toc[5], 0x10) << "audio";
  EXPECT_EQ(Be32(toc, 8), 0u);
  EXPECT_EQ(Be32(toc, 16), 1000u);
  EXPECT_EQ(toc[22], 0xAA);
  EXPECT_EQ(Be32(toc, 24), 3000u);
  EXPECT_EQ(h.DiscInfo()[2] & 0x03, 2) << "no next session: complete";

  const auto audio = h.In({0xBE, 0x04, 0, 0, 0x03, 0xE8, 0, 0, 1, 0x10, 0, 0}, 2352);
  ASSERT_EQ(audio.Sense(), "-");
  EXPECT_EQ(audio.Data.size(), 2352u);
  EXPECT_EQ(audio.Data[0], 1) << "track 2 data";
  EXPECT_EQ(h.In({0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 2048).Sense(), "5/64/00") << "audio is not read as 2048-byte blocks";
}

TEST(DiscAtOnce, CueSheetsADriveRefuses) {
  struct Case {
    std::string Why;
    std::size_t Byte;
    std::uint8_t Value;
  };
  const Case cases[] = {{"lead-in is not first", 1, 0x05},
                        {"frame out of range", 23, 80},
                        {"track numbers skip", 25, 0x03},
                        {"data form does not match audio control", 27, 0x10},
                        {"lead-out before the last index", 38, 1},
                        {"lead-out missing", 33, 0x03}};
  for (const Case& c : cases) {
    Harness h(MediumKind::CdR);
    ASSERT_EQ(h.SetWriteParameters(2, 0, 0, 0).Sense(), "-");
    auto cue = TwoTrackCue;
    cue[c.Byte] = c.Value;
    EXPECT_EQ(SendCue(h, cue).Sense(), "5/26/00") << c.Why;
  }
}

}  // namespace
}  // namespace velmarond::vrec::test
