// The exact CDB, direction, length and timeout each command of both device layers sends.

#include <gtest/gtest.h>

#include <functional>

#include "RecordingPlatform.h"
#include "device/EngineDevice.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {
namespace {

using testing::RecordingPlatform;
using Bytes = std::vector<std::uint8_t>;
constexpr auto None = DataDirection::None;
constexpr auto In = DataDirection::In;
constexpr auto Out = DataDirection::Out;

template <typename Device>
struct CommandCase {
  const char* Name;
  std::function<void(Device&)> Call;
  Bytes Cdb;
  DataDirection Direction;
  std::size_t Length;
  std::uint32_t TimeoutMs;
};

std::array<std::uint8_t, 65'536> Buffer{};

TEST(ComponentCommands, EachCommandSendsItsExactBlock) {
  using D = TSCSIDevice;
  const std::vector<CommandCase<D>> cases = {
      {"TestUnitReady raises 5 s to the 10 s floor", [](D& d) { d.TestUnitReady(5'000); }, {0x00, 0, 0, 0, 0, 0}, None, 0, 10'000},
      {"RezeroUnit", [](D& d) { d.RezeroUnit(); }, {0x01, 0, 0, 0, 0, 0}, None, 0, 10'000},
      {"RequestSense", [](D& d) { d.RequestSense(Buffer, 40); }, {0x03, 0, 0, 0, 40, 0}, In, 40, 10'000},
      {"LoadEject eject", [](D& d) { d.LoadEject(true); }, {0x1B, 0, 0, 0, 0x02, 0}, None, 0, 20'000},
      {"LoadEject load", [](D& d) { d.LoadEject(false); }, {0x1B, 0, 0, 0, 0x03, 0}, None, 0, 20'000},
      {"PreventAllowRemoval prevent", [](D& d) { d.PreventAllowRemoval(false); }, {0x1E, 0, 0, 0, 1, 0}, None, 0, 10'000},
      {"Write10", [](D& d) { d.Write10(0x12345678, 16, 0x50, 32'768, Buffer.data()); },
       {0x2A, 0, 0x12, 0x34, 0x56, 0x78, 0, 0x00, 0x10, 0}, Out, 32'768, 120'000},
      {"SynchronizeCache immediate", [](D& d) { d.SynchronizeCache(60'000, true); }, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}, None, 0, 60'000},
      {"ReadTOC ATIP in MSF", [](D& d) { d.ReadTOC(4, true, 0, 0, 26, Buffer); }, {0x43, 0x02, 0x04, 0, 0, 0, 0, 0, 26, 0}, In, 26, 10'000},
      {"ReadTOC track and control byte", [](D& d) { d.ReadTOC(0, false, 1, 0x40, 12, Buffer); }, {0x43, 0, 0, 0, 0, 0, 1, 0, 12, 0x40}, In, 12, 10'000},
      {"GetConfiguration one feature", [](D& d) { d.GetConfiguration(2, 0x2A, 114, Buffer); }, {0x46, 0x02, 0, 0x2A, 0, 0, 0, 0, 114, 0}, In, 114, 30'000},
      {"ReadDiscInformation", [](D& d) { d.ReadDiscInformation(); }, {0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}, In, 56, 10'000},
      {"ReadTrackInformation invisible track", [](D& d) { d.ReadTrackInformation(0xFF); }, {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x28, 0}, In, 40, 60'000},
      {"SendOPC", [](D& d) { d.SendOPC(); }, {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}, None, 0, 150'000},
      {"ModeSelect", [](D& d) { d.ModeSelect(Buffer, 60); }, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, Out, 60, 10'000},
      {"ModeSense 2Ah default values", [](D& d) { d.ModeSense(0x2A, true, 255, Buffer, 0); }, {0x5A, 0, 0xAA, 0, 0, 0, 0, 0x00, 0xFF, 0}, In, 255, 20'000},
      {"ModeSense 16-bit length", [](D& d) { d.ModeSense(0x05, false, 512, Buffer, 512); }, {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}, In, 512, 20'000},
      {"CloseTrackSession track, Immed", [](D& d) { d.CloseTrackSession(true, true, false); }, {0x5B, 0x01, 0x01, 0, 0, 0xFF, 0, 0, 0, 0}, None, 0, 180'000},
      {"CloseTrackSession session", [](D& d) { d.CloseTrackSession(false, false, false); }, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}, None, 0, 180'000},
      {"CloseTrackSession function 5", [](D& d) { d.CloseTrackSession(false, true, true); }, {0x5B, 0x01, 0x05, 0, 0, 0, 0, 0, 0, 0}, None, 0, 180'000},
      {"ReadBufferCapacity", [](D& d) { d.ReadBufferCapacity(); }, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, In, 32, 10'000},
      {"SendCueSheet", [](D& d) { d.SendCueSheet(Buffer, 40); }, {0x5D, 0, 0, 0, 0, 0, 0, 0, 40, 0}, Out, 40, 30'000},
      {"SetCDSpeed 0 means maximum", [](D& d) { d.SetCDSpeed(0, 1764); }, {0xBB, 0, 0xFF, 0xFF, 0x06, 0xE4, 0, 0, 0, 0, 0, 0}, None, 0, 10'000},
  };
  RecordingPlatform platform;
  TSCSIDevice device(platform);
  ASSERT_TRUE(device.InitASPI(true, {}));
  ASSERT_FALSE(device.DeviceList.empty());
  device.SetDeviceID(device.DeviceList.front());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    platform.Commands.clear();
    c.Call(device);
    ASSERT_EQ(platform.Commands.size(), 1u);
    EXPECT_EQ(platform.Last().Cdb, c.Cdb);
    EXPECT_EQ(platform.Last().Direction, c.Direction);
    EXPECT_EQ(platform.Last().Length, c.Length);
    EXPECT_EQ(platform.Last().TimeoutMs, c.TimeoutMs);
  }
}

TEST(ComponentCommands, LengthsBeyondTheirFieldAreRefusedUnsent) {
  RecordingPlatform platform;
  TSCSIDevice device(platform);
  ASSERT_TRUE(device.InitASPI(true, {}));
  device.SetDeviceID(device.DeviceList.front());
  platform.Commands.clear();
  std::vector<std::uint8_t> big(70'000);
  EXPECT_FALSE(device.RequestSense(big, 256));
  EXPECT_FALSE(device.ModeSelect(big, 256));
  EXPECT_FALSE(device.SendCueSheet(big, 65'536));
  EXPECT_FALSE(device.ModeSense(0x2A, false, 513, big, 0));  // the shared buffer holds 512 bytes
  EXPECT_TRUE(platform.Commands.empty());
  EXPECT_NE(device.LastErrorText.find("RANGE ERROR"), std::string::npos);
}

TEST(EngineCommands, EachCommandSendsItsExactBlock) {
  using D = EngineDevice;
  static std::vector<std::uint8_t> sectors(65'536);
  static const auto listA = FormatParameterList(FormatList::A);
  static const auto streaming = StreamingDescriptor(1000, 2, 3, 4, 5);
  static const auto stamp = TimeStampStructure(2026, 12, 11, 14, 5, 9);
  const std::vector<CommandCase<D>> cases = {
      {"test unit ready", [](D& d) { d.TestUnitReady(); }, {0x00, 0, 0, 0, 0, 0}, None, 0, 0},
      {"rezero", [](D& d) { d.RezeroUnit(); }, {0x01, 0, 0, 0, 0, 0}, None, 0, 0},
      {"format unit", [](D& d) { d.FormatUnit(0x11, listA); }, {0x04, 0x11, 0, 0, 0, 0}, Out, 12, 0},
      {"inquiry", [](D& d) { std::array<std::uint8_t, 64> r{}; d.Inquiry(r); }, {0x12, 0, 0, 0, 0x40, 0}, In, 64, 0},
      {"eject immediate", [](D& d) { d.LoadEject(true, true); }, {0x1B, 0x01, 0, 0, 0x02, 0}, None, 0, 0},
      {"load", [](D& d) { d.LoadEject(false, false); }, {0x1B, 0, 0, 0, 0x03, 0}, None, 0, 0},
      {"allow removal", [](D& d) { d.AllowMediumRemoval(); }, {0x1E, 0, 0, 0, 0, 0}, None, 0, 0},
      {"read format capacities", [](D& d) { std::array<std::uint8_t, 124> r{}; d.ReadFormatCapacities(r); },
       {0x23, 0, 0, 0, 0, 0, 0, 0, 0x7C, 0}, In, 124, 0},
      {"read (10)", [](D& d) { d.Read10(100, 2, sectors); }, {0x28, 0, 0, 0, 0, 100, 0, 0, 2, 0}, In, 4096, 0},
      {"write (10)", [](D& d) { d.Write10(0x00123456, 32, sectors); }, {0x2A, 0, 0x00, 0x12, 0x34, 0x56, 0, 0, 0x20, 0}, Out, 65'536, 0},
      {"write (10) with the quirk clears the upper LBA bytes",
       [](D& d) { d.DeviceFeature(77); d.Write10(0x00123456, 32, sectors); d.Write10Quirk = false; },
       {0x2A, 0, 0, 0, 0x34, 0x56, 0, 0, 0x20, 0}, Out, 65'536, 0},
      {"synchronize cache", [](D& d) { d.SynchronizeCache(true); }, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}, None, 0, 0},
      {"read toc", [](D& d) { d.ReadTOC(0, false, 1, 12, sectors); }, {0x43, 0, 0, 0, 0, 0, 1, 0, 12, 0}, In, 12, 0},
      {"get configuration", [](D& d) { d.GetConfiguration(0x0041, 112, sectors); }, {0x46, 0x02, 0x00, 0x41, 0, 0, 0, 0, 112, 0}, In, 112, 0},
      {"read disc information", [](D& d) { d.ReadDiscInformation(std::span(sectors).first(64)); }, {0x51, 0, 0, 0, 0, 0, 0, 0, 64, 0}, In, 64, 0},
      {"read track information", [](D& d) { std::array<std::uint8_t, 38> r{}; d.ReadTrackInformation(0xFF, r); },
       {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x26, 0}, In, 38, 0},
      {"reserve track", [](D& d) { d.ReserveTrack(0x01020304); }, {0x53, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0}, None, 0, 0},
      {"mode select", [](D& d) { d.ModeSelect(std::span(sectors).first(60)); }, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, Out, 60, 0},
      {"mode sense defaults", [](D& d) { d.ModeSense(0x2A, true, std::span(sectors).first(128)); }, {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 0x80, 0}, In, 128, 0},
      {"close general form", [](D& d) { d.CloseTrackSession(true, 6, 0, 0x0102); }, {0x5B, 0x01, 0x06, 0, 0x01, 0x02, 0, 0, 0, 0}, None, 0, 0},
      {"close short form", [](D& d) { d.CloseTrackSessionShort(true, false, 2); }, {0x5B, 0, 0x01, 0, 0, 2, 0, 0, 0, 0}, None, 0, 0},
      {"read buffer capacity", [](D& d) { d.ReadBufferCapacity(); }, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, In, 32, 0},
      {"blank minimal", [](D& d) { d.Blank(true); }, {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, None, 0, 0},
      {"blank full", [](D& d) { d.Blank(false); }, {0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, None, 0, 0},
      {"set streaming", [](D& d) { d.SetStreaming(streaming); }, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}, Out, 28, 0},
      {"set cd speed", [](D& d) { d.SetCDSpeed(0, 0); }, {0xBB, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, None, 0, 0},
      {"send dvd structure", [](D& d) { d.SendDvdStructure(0x0F, stamp); }, {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}, Out, 22, 0},
  };
  RecordingPlatform platform;
  EngineDevice device(platform);
  ASSERT_TRUE(device.Initialize(false, {}, {}));
  ASSERT_TRUE(device.SelectDevice(0));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    platform.Commands.clear();
    c.Call(device);
    ASSERT_EQ(platform.Commands.size(), 1u);
    EXPECT_EQ(platform.Last().Cdb, c.Cdb);
    EXPECT_EQ(platform.Last().Direction, c.Direction);
    EXPECT_EQ(platform.Last().Length, c.Length);
    EXPECT_EQ(platform.Last().TimeoutMs, EngineDevice::PassThroughTimeoutMs);
  }
}

TEST(EngineParameterLists, MatchTheirByteLayouts) {
  EXPECT_EQ(FormatParameterList(FormatList::E),
            (std::array<std::uint8_t, 12>{0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10}));
  EXPECT_EQ(FormatParameterList(FormatList::D),
            (std::array<std::uint8_t, 12>{0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x02, 0x80, 0xC0, 0x00, 0x10, 0x00}));
  const auto streaming = StreamingDescriptor(0x01020304, 0x10, 0x20, 0x30, 0x40);
  EXPECT_EQ(std::vector<std::uint8_t>(streaming.begin(), streaming.end()),
            (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 0x30, 0, 0, 0, 0x40}));
  const auto stamp = TimeStampStructure(2026, 12, 11, 14, 5, 9);
  EXPECT_EQ(stamp[0], 0x00);
  EXPECT_EQ(stamp[1], 0x14);
  EXPECT_EQ(std::string(stamp.begin() + 8, stamp.end()), "20261211140509");
}

}  // namespace
}  // namespace velmarond::device
