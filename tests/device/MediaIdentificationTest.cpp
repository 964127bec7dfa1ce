// Drive and disc identification from scripted drive replies (drives without GET CONFIGURATION,
// profile numbering, capability pages) and the waits and statistics that must stay bounded.

#include <gtest/gtest.h>

#include <cstring>

#include "RecordingPlatform.h"
#include "device/Bytes.h"
#include "device/EngineDevice.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {
namespace {

using namespace testing;

// A drive that refuses GET CONFIGURATION and reports the ATIP byte 6 given.
Responder WithoutGetConfiguration(std::uint8_t atipByte6) {
  return [atipByte6](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x46) return CheckCondition(5, 0x20, 0x00);
    if (command.Cdb[0] == 0x43 && data.size() > 6) data[6] = atipByte6;
    return Good();
  };
}

Responder WithProfile(std::uint16_t profile) {
  return [profile](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x46 && data.size() >= 8) PutBe16(data, 6, profile);
    return Good();
  };
}

TEST(MediaIdentification, DriveWithoutGetConfigurationReadsTheAtip) {
  const std::pair<std::uint8_t, std::uint8_t> cases[] = {{0x80, 2}, {0xC0, 3}, {0x00, 1}};
  for (const auto& [atip, expected] : cases) {
    SCOPED_TRACE(int{atip});
    RecordingPlatform platform;
    platform.Respond = WithoutGetConfiguration(atip);
    TSCSIDevice component(platform);
    ASSERT_TRUE(component.InitASPI(true, {}));
    component.SetDeviceID(component.DeviceList.front());
    EXPECT_EQ(component.GetMediaType(), expected);
    EngineDevice engine(platform);
    ASSERT_TRUE(engine.Initialize(false, {}, {}));
    ASSERT_TRUE(engine.SelectDevice(0));
    EXPECT_EQ(engine.MediaType(), expected);
  }
}

TEST(MediaIdentification, ProfilesInBothNumberings) {
  struct Case {
    std::uint16_t Profile;
    std::uint8_t Component, Engine;
  };
  const Case cases[] = {{0x0008, 1, 1},  {0x0009, 2, 2},  {0x000A, 3, 3},  {0x0010, 4, 4},  {0x0011, 5, 5},
                        {0x0012, 6, 6},  {0x0013, 8, 8},  {0x0014, 9, 9},  {0x001A, 10, 10}, {0x001B, 11, 11},
                        {0x002B, 12, 12}, {0x0040, 0, 13}, {0x0041, 0, 14}, {0x0042, 0, 15}, {0x0043, 0, 16},
                        {0x0050, 0, 17}, {0x0051, 0, 18}, {0x0052, 0, 19}, {0x0020, 13, 20}, {0x0022, 15, 22}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Profile);
    RecordingPlatform platform;
    platform.Respond = [&](const RecordedCommand& command, std::span<std::uint8_t> data) {
      if (command.Cdb[0] == 0x46 && data.size() >= 8) PutBe16(data, 6, c.Profile);
      if (command.Cdb[0] == 0x43) return CheckCondition(5, 0x24, 0);  // no ATIP: only the profile decides
      if (command.Cdb[0] == 0x51 || command.Cdb[0] == 0x00) return CheckCondition(2, 0x3A, 0);
      return Good();
    };
    TSCSIDevice component(platform);
    ASSERT_TRUE(component.InitASPI(true, {}));
    component.SetDeviceID(component.DeviceList.front());
    EXPECT_EQ(component.GetMediaType(), c.Component);
    EngineDevice engine(platform);
    ASSERT_TRUE(engine.Initialize(false, {}, {}));
    ASSERT_TRUE(engine.SelectDevice(0));
    EXPECT_EQ(engine.MediaType(), c.Engine);
  }
}

TEST(MediaIdentification, NoCurrentProfileCountsBlueRayAndHdDvdAsPresent) {
  RecordingPlatform platform;
  platform.Respond = WithProfile(0);
  EngineDevice engine(platform);
  ASSERT_TRUE(engine.Initialize(false, {}, {}));
  ASSERT_TRUE(engine.SelectDevice(0));
  for (int code : {9, 10, 11, 12, 13, 14, 29, 30, 31, 32, 6, 7}) EXPECT_TRUE(engine.DeviceFeature(code)) << code;
  EXPECT_FALSE(engine.DeviceFeature(8));   // DVD+R DL needs its own descriptor
  EXPECT_FALSE(engine.DeviceFeature(26));  // writing needs the descriptor's write bit
  EXPECT_FALSE(engine.DeviceFeature(50));
}

TEST(MediaIdentification, CapabilitiesPageSpeedsAndBuffer) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x5A && (command.Cdb[2] & 0x3F) == 0x2A) {
      std::uint8_t* page = data.data() + 8;
      page[0] = 0x2A;
      page[2] = 0x3F;         // reads CD-R/RW, method 2, DVD-ROM, DVD-R, DVD-RAM
      page[3] = 0x37;         // writes CD-R/RW, test write, DVD-R, DVD-RAM
      page[4] = 0x80;         // BUF
      PutBe16(data, 8 + 8, 7056);
      PutBe16(data, 8 + 18, 0);  // no write speed reported
      PutBe16(data, 8 + 20, 0);
      PutBe16(data, 8 + 12, 2048);
    }
    if (command.Cdb[0] == 0x5C) {
      PutBe32(data, 4, 4'194'304);
      PutBe32(data, 8, 0xFFFFFFFF);
    }
    return Good();
  };
  TSCSIDevice component(platform);
  ASSERT_TRUE(component.InitASPI(true, {}));
  component.SetDeviceID(component.DeviceList.front());
  EXPECT_EQ(component.Page2A.CurrentWriteSpeed, 1385);
  EXPECT_EQ(component.Page2A.MaxWriteSpeed, 1385);
  EXPECT_EQ(component.DeviceMaxReadSpeed, 7056u);
  EXPECT_EQ(component.Capabilities, 0x0010FC7Fu);
  ASSERT_TRUE(component.ReadBufferCapacity());
  EXPECT_EQ(component.DeviceFreeBufferSize, component.DeviceBufferSize.load());

  EngineDevice engine(platform);
  ASSERT_TRUE(engine.Initialize(false, {}, {}));
  ASSERT_TRUE(engine.SelectDevice(0));
  for (int code : {1, 2, 3, 4, 21, 22, 23, 24, 41, 42}) EXPECT_TRUE(engine.DeviceFeature(code)) << code;
  EXPECT_EQ(engine.BufferSizeKb, 2048u);
  EXPECT_EQ(engine.BufferFill(), 0u);  // FFFFFFFFh free bytes: nothing to subtract below zero
}

TEST(MediaIdentification, DvdRamIsErasableAndWritableWithoutDiscInformation) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x51) return CheckCondition(5, 0x20, 0);
    if (command.Cdb[0] == 0x46 && data.size() >= 8) PutBe16(data, 6, 0x0012);
    return Good();
  };
  EngineDevice engine(platform);
  ASSERT_TRUE(engine.Initialize(false, {}, {}));
  ASSERT_TRUE(engine.SelectDevice(0));
  EXPECT_TRUE(engine.IsDiscErasable());
  EXPECT_TRUE(engine.IsDiscWritable());
  EXPECT_EQ(engine.SessionCount(), 1);
}

TEST(MediaIdentification, IsoVolumeSizePrefersTheSupplementaryDescriptor) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] != 0x28) return Good();
    const std::uint32_t lba = GetBe32(command.Cdb, 2);
    if (lba == 16 || lba == 17) {
      data[0] = lba == 16 ? 1 : 2;
      std::memcpy(&data[1], "CD001", 5);
      data[80] = lba == 16 ? 0x10 : 0x20;
      data[81] = 0x01;
    }
    return Good();
  };
  EngineDevice engine(platform);
  ASSERT_TRUE(engine.Initialize(false, {}, {}));
  ASSERT_TRUE(engine.SelectDevice(0));
  EXPECT_EQ(engine.IsoVolumeSize(), 0x0120u);
}

TEST(WriteParameters, EngineClearsBufeWhenUnderrunProtectionIsOff) {
  for (bool underrun : {false, true}) {
    RecordingPlatform platform;
    platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
      if (command.Cdb[0] == 0x5A && command.Cdb[2] == 0x05) {
        data[8] = 0x05;
        data[9] = 0x32;
      }
      return Good();
    };
    EngineDevice engine(platform);
    ASSERT_TRUE(engine.Initialize(false, {}, {}));
    ASSERT_TRUE(engine.SelectDevice(0));
    platform.Commands.clear();
    ASSERT_TRUE(engine.SetWriteParameters(false, underrun, 2, true));
    const auto& select = platform.Last();
    ASSERT_EQ(select.Cdb[0], 0x55);
    ASSERT_EQ(select.Length, 8u + 0x32 + 2);
    EXPECT_EQ(select.DataOut[8 + 2] & 0x40, underrun ? 0x40 : 0x00);
    EXPECT_EQ(select.DataOut[8 + 3], 0xC4);
    EXPECT_EQ(GetBe16(select.DataOut, 8 + 14), 150);
  }
}

TEST(WriteParameters, ComponentDataPageForDvdPlusR) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x5A && command.Cdb[2] == 0x05) {
      data[16] = 0x05;
      data[17] = 0x32;
    }
    return Good();
  };
  TSCSIDevice component(platform);
  ASSERT_TRUE(component.InitASPI(true, {}));
  component.SetDeviceID(component.DeviceList.front());
  platform.Commands.clear();
  ASSERT_TRUE(component.SetDataWriteParameters(false, false, 11, false));
  const auto& select = platform.Last();
  ASSERT_EQ(select.Length, 60u);
  const std::uint8_t* page = select.DataOut.data() + 8;
  EXPECT_EQ(page[2], 0x22);
  EXPECT_EQ(page[3], 0xC4);
  EXPECT_EQ(page[6], 0x00);
  EXPECT_EQ(GetBe32(select.DataOut, 8 + 10), 16u);
  platform.Commands.clear();
  EXPECT_TRUE(component.SetDataWriteParameters(false, false, 6, false));  // DVD-RAM: nothing sent
  EXPECT_TRUE(platform.Commands.empty());
}

TEST(Bounded, TimedOutCommandReportsCommandTimeout) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand&, std::span<std::uint8_t>) {
    PassThroughResult result = Good();
    result.TimedOut = true;
    return result;
  };
  TSCSIDevice component(platform);
  ASSERT_TRUE(component.InitASPI(true, {}));
  component.SetDeviceID(component.DeviceList.front());
  CommandBlock block{};
  block.CdbLength = 6;
  block.Header.Flags = 0x40;
  EXPECT_EQ(component.ExecuteCommand(block, 2'000), 4);
  EXPECT_EQ(block.HostStatus, 0x09);
  EXPECT_EQ(component.LastErrorText, "COMMAND TIMEOUT");
}

TEST(Bounded, WaitUntilReadyGivesUpWithinItsBudget) {
  RecordingPlatform platform;
  platform.Respond = [](const RecordedCommand& command, std::span<std::uint8_t> data) {
    if (command.Cdb[0] == 0x03 && data.size() > 13) {
      data[0] = 0x70;
      data[2] = 2;
      data[12] = 0x04;
      data[13] = 0x07;
      return Good();
    }
    return CheckCondition(2, 0x04, 0x07);
  };
  TSCSIDevice component(platform);
  ASSERT_TRUE(component.InitASPI(true, {}));
  component.SetDeviceID(component.DeviceList.front());
  std::int64_t slept = 0;
  component.Sleep = [&](std::chrono::milliseconds ms) { slept += ms.count(); };
  EXPECT_FALSE(component.WaitUntilReady(240'000, 5'000));
  EXPECT_LE(slept, 240'000 + 5'000);  // the budget may end during the last pause
  component.Abort = true;
  platform.Commands.clear();
  EXPECT_FALSE(component.WaitUntilReady(240'000, 5'000));
  EXPECT_TRUE(platform.Commands.empty());
}

TEST(TransferStatistics, CommandsFasterThanTheClockDivideByNothing) {
  TransferStatistics statistics;
  EXPECT_EQ(statistics.AverageKbs(TransferDirection::Write, 1385), 1385u);
  statistics.Record(TransferDirection::Write, 65'536, std::chrono::nanoseconds(0));
  EXPECT_EQ(statistics.AverageKbs(TransferDirection::Write, 1385), 1385u);
  EXPECT_EQ(statistics.RecentBytesPerSecond(), 0u);
  statistics.Record(TransferDirection::Write, 65'536, std::chrono::milliseconds(10));
  EXPECT_EQ(statistics.AverageKbs(TransferDirection::Write, 1385), 12'800u);
  EXPECT_EQ(statistics.RecentBytesPerSecond(), 13'107'200u);
  statistics.ClearRing();
  EXPECT_EQ(statistics.RecentBytesPerSecond(), 0u);
  EXPECT_EQ(statistics.AverageKbs(TransferDirection::Read, 7056), 7056u);
}

}  // namespace
}  // namespace velmarond::device
