// LastErrorText and the trace lines for the sense data drives really return.

#include <gtest/gtest.h>

#include "device/CommandNames.h"
#include "device/EngineLog.h"
#include "device/FailureReport.h"
#include "device/SenseTexts.h"

namespace velmarond::device {
namespace {

std::array<std::uint8_t, 33> FixedSense(std::uint8_t code, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                                        std::uint8_t additional = 10) {
  std::array<std::uint8_t, 33> sense{};
  sense[0] = code;
  sense[2] = key;
  sense[7] = additional;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

TEST(LastErrorText, FollowsStatusSenseKeyAndAdditionalSense) {
  std::array<std::uint8_t, 33> descriptor{};
  descriptor[0] = 0x72;
  descriptor[1] = 0x02;
  descriptor[2] = 0x3A;
  descriptor[3] = 0x01;
  descriptor[7] = 6;
  struct Case {
    const char* Name;
    std::uint8_t Status, Host, Target;
    std::array<std::uint8_t, 33> Sense;
    std::string Text;
  };
  const Case cases[] = {
      {"write at a wrong address", 4, 0, 2, FixedSense(0x70, 5, 0x21, 0x02), "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)"},
      {"valid bit set still decodes the key", 4, 0, 2, FixedSense(0xF0, 2, 0x04, 0x08),
       "NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)"},
      {"deferred error format", 4, 0, 2, FixedSense(0x71, 3, 0x0C, 0x09), "MEDIUM ERROR (WRITE ERROR - LOSS OF STREAMING)"},
      {"descriptor format keeps UNKNOWN but reads its own ASC", 4, 0, 2, descriptor, "UNKNOWN (MEDIUM NOT PRESENT - TRAY CLOSED)"},
      {"ASC above 73h shows the decimal pair", 4, 0, 2, FixedSense(0x70, 5, 0x74, 0x00), "ILLEGAL REQUEST (116,0)"},
      {"pair without text", 4, 0, 2, FixedSense(0x70, 5, 0x24, 0x05), "ILLEGAL REQUEST (36,5)"},
      {"additional length 0 leaves no parentheses", 4, 0, 2, FixedSense(0x70, 5, 0x24, 0x00, 0), "ILLEGAL REQUEST"},
      {"keys 9 and 0Ch keep CHECK CONDITION", 4, 0, 2, FixedSense(0x70, 0x0C, 0, 0, 0), "CHECK CONDITION"},
      {"key 0 with filemark", 4, 0, 2, FixedSense(0x70, 0x80, 0, 0, 0), "FILEMARK"},
      {"key 0 with illegal length", 4, 0, 2, FixedSense(0x70, 0x20, 0, 0, 0), "ILLEGAL LENGTH"},
      {"no sense at all", 4, 0, 2, {}, ""},
      {"timeout", 4, 0x09, 0, {}, "COMMAND TIMEOUT"},
      {"busy", 4, 0, 0x08, {}, "TARGET BUSY"},
      {"no device", 0x82, 0, 0, {}, "NO DEVICE"},
      {"no transport", 0xE2, 0, 0, {}, "UNKNOWN"},
      {"aborted", 2, 0, 0, {}, "OPERATION ABORTED BY USER"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const FailureText text = BuildLastErrorText(c.Status, c.Host, c.Target, c.Sense);
    EXPECT_EQ(text.Text, c.Text);
    EXPECT_EQ(text.TargetBusy, c.Target == 0x08);
  }
}

TEST(AscAscqTexts, KnownPairsReadAsTheStandardsWordThem) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0x0000, "NO ADDITIONAL SENSE INFORMATION"}, {0x0D05, "COPY TARGET DEVICE DATA OVERRUN"},
      {0x2400, "INVALID FIELD IN CDB"},           {0x2C04, "CURRENT PROGRAM AREA IS EMPTY"},
      {0x3005, "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT"}, {0x5DFF, "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)"},
      {0x6301, "PACKET DOES NOT FIT IN AVAILABLE SPACE"}, {0x7203, "SESSION FIXATION ERROR - INCOMPLETE TRACK IN SESSION"},
      {0x7306, "RMA/PMA IS ALMOST FULL"},
  };
  for (const auto& [key, text] : cases) {
    auto found = AscAscqText(static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key));
    ASSERT_TRUE(found) << key;
    EXPECT_EQ(*found, text);
  }
  EXPECT_FALSE(AscAscqText(0x74, 0x00));
  EXPECT_FALSE(AscAscqText(0x3B, 0x10));
}

TEST(CommandNames, PaddedNamesAndFallbacksPerLayer) {
  EXPECT_EQ(ComponentCommandName(0x2A), "WRITE (10)            ");
  EXPECT_EQ(ComponentCommandName(0x99), "99");
  EXPECT_EQ(ComponentCommandName(0xFF), "");
  EXPECT_EQ(EngineCommandName(0x4A), "GET EVENT/STATUS NOTIF");
  EXPECT_EQ(EngineCommandName(0x99), "");
}

TEST(FailureReport, LineLayoutAndDumpLimit) {
  std::vector<std::uint8_t> data(300, 0xAB);
  CommandBlock block{};
  block.Header.Status = 4;
  block.Header.HostAdapter = 1;
  block.Header.Flags = 0x50;
  block.Target = 10;
  block.CdbLength = 10;
  block.Cdb[0] = 0x2A;
  block.Cdb[5] = 0x10;
  block.SetBuffer(data.data(), static_cast<std::uint32_t>(data.size()));
  const auto sense = FixedSense(0x70, 5, 0x21, 0x02);
  std::copy(sense.begin(), sense.end(), block.Sense);
  block.TargetStatus = 2;
  ASSERT_TRUE(IsReportedFailure(block));
  const std::string line = BuildFailureReport(block, "ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)");
  EXPECT_EQ(line.rfind("<<< WRITE (10)             (2A) {50|0A} - 1:A:0 <04> [0012C] 00 00 00 00 10 00 ", 0), 0u) << line;
  std::size_t dumped = 0;
  for (std::size_t at = line.find("AB "); at != std::string::npos; at = line.find("AB ", at + 3)) ++dumped;
  EXPECT_EQ(dumped, 257u);
  EXPECT_NE(line.find("= 00 02 70 05 ASC:21,ASQ:02 ILLEGAL REQUEST (INVALID ADDRESS FOR WRITE)"), std::string::npos);

  block.Cdb[0] = 0x5A;  // refusals of routine commands are not reported
  EXPECT_FALSE(IsReportedFailure(block));
  block.Cdb[0] = 0x2A;
  block.Sense[12] = 0x04;
  block.Sense[13] = 0x08;
  EXPECT_FALSE(IsReportedFailure(block));
}

TEST(EngineLogLine, FormatAndDumpLimit) {
  std::vector<std::uint8_t> data(200, 0x11);
  EngineCommandBlock block{};
  block.Header.Status = 1;
  block.Header.Flags = 0x48;
  block.Header.HostAdapter = 2;
  block.CdbLength = 10;
  block.Cdb[0] = 0x28;
  block.Cdb[8] = 1;
  block.SetBuffer(data.data(), 2048);
  const std::string line = EngineLogLine(block, true, 0, 5, 7, 42);
  EXPECT_EQ(line.rfind("05:07:042 READ (10)              (28) {48:0a} - 2:0:0 <01> [00800] 00 00 00 00 00 00 00 01 00 00 00 00 00 00 00 | ", 0), 0u) << line;
  std::size_t dumped = 0;
  for (std::size_t at = line.find("11 "); at != std::string::npos; at = line.find("11 ", at + 3)) ++dumped;
  EXPECT_EQ(dumped, 100u);
  EXPECT_EQ(line.substr(line.size() - 8), "00:00, 0");
}

}  // namespace
}  // namespace velmarond::device
