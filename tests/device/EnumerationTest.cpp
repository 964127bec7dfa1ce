// Drive enumeration and selection in both device layers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RecordingPlatform.h"
#include "device/DeviceLine.h"
#include "device/EngineDevice.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {
namespace {

using testing::RecordingPlatform;

TEST(Enumeration, ComponentGivesDrivesWithoutAddressASyntheticAdapter) {
  RecordingPlatform platform({{'D', ScsiAddress{1, 0, 0, 0}}, {'E', std::nullopt}, {'F', std::nullopt}});
  TSCSIDevice device(platform);
  ASSERT_TRUE(device.InitASPI(true, {}));
  EXPECT_EQ(device.TransportName(), "KTASPI32");
  ASSERT_EQ(device.DeviceList.size(), 3u);
  EXPECT_EQ(device.DeviceList[0], "1:0:0,D: VELMAR  TEST RECORDER   1.00");
  EXPECT_EQ(device.DeviceList[1].substr(0, 9), "2:0:0,E: ");
  EXPECT_EQ(device.DeviceList[2].substr(0, 9), "2:1:0,F: ");
}

TEST(Enumeration, ComponentInquiryIsAnsweredFromTheScanCache) {
  RecordingPlatform platform;
  TSCSIDevice device(platform);
  ASSERT_TRUE(device.InitASPI(true, {}));
  device.SetDeviceID(device.DeviceList.front());
  platform.Commands.clear();
  ASSERT_TRUE(device.Inquiry());
  EXPECT_TRUE(platform.Commands.empty());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&device.InquiryBuffer[8]), 8), "VELMAR  ");
}

TEST(Enumeration, AWriteHoldsTheDriveExclusivelyBetweenCommands) {
  RecordingPlatform platform;
  TSCSIDevice device(platform);
  ASSERT_TRUE(device.InitASPI(true, {}));
  device.SetDeviceID(device.DeviceList.front());
  device.SetCloseAfterEachCommand(false);
  platform.OpenModes.clear();
  device.TestUnitReady(5'000);
  device.TestUnitReady(5'000);
  ASSERT_EQ(platform.OpenModes.size(), 1u);  // opened once, kept open
  EXPECT_EQ(platform.OpenModes.front(), OpenMode::ExclusiveReadWrite);
  device.LoadEject(true);  // a tray movement lets go of the drive and runs on a shared handle
  device.TestUnitReady(5'000);
  EXPECT_EQ(platform.OpenModes, (std::vector<OpenMode>{OpenMode::ExclusiveReadWrite, OpenMode::ReadWrite,
                                                        OpenMode::ExclusiveReadWrite}));
  device.SetCloseAfterEachCommand(true);
  platform.OpenModes.clear();
  device.TestUnitReady(5'000);
  EXPECT_EQ(platform.OpenModes, std::vector<OpenMode>{OpenMode::ReadWrite});
}

TEST(Enumeration, SetDeviceIdParsing) {
  struct Case {
    const char* Line;
    bool Reported;
    DriveAddress Address;
  };
  const Case cases[] = {
      {"", false, TSCSIDevice::NoDrive},
      {"1:0", true, TSCSIDevice::NoDrive},
      {"x:0:0,D: VELMAR", true, TSCSIDevice::NoDrive},
      {"12:1:0,D: VELMAR", false, {12, 1, 0}},
      {"1:0:0,D: VELMAR", false, {1, 0, 0}},
      {"130:0:0,D: VELMAR", false, {130, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line);
    RecordingPlatform platform({{'D', ScsiAddress{c.Address.Adapter, 0, c.Address.Target, c.Address.Lun}}});
    TSCSIDevice device(platform);
    ASSERT_TRUE(device.InitASPI(true, {}));
    std::vector<std::string> messages;
    device.OnDebugMessage = [&](TSCSIDevice&, const std::string& text, std::uint8_t) { messages.push_back(text); };
    device.SetDeviceID(c.Line);
    EXPECT_EQ(device.Address, c.Address);
    EXPECT_EQ(!messages.empty() && messages.front() == TSCSIDevice::InvalidDeviceIdText, c.Reported);
    if (c.Address == TSCSIDevice::NoDrive) {
      EXPECT_EQ(device.DeviceType, TSCSIDevice::NoDeviceType);
    }
  }
}

TEST(Enumeration, DriveQuirksFollowTheProduct) {
  struct Case {
    std::string Vendor, Product;
    bool LongWait, Lsv, Immediate;
  };
  const Case cases[] = {
      {"PIONEER", "DVD-RW  DVR-104", true, false, true},
      {"MATSHITA", "UJDA770", true, false, true},
      {"TDK", "CDRW321040X", true, false, false},
      {"YAMAHA", "CRX175E", false, true, true},
      {"PLEXTOR", "PX-716A", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Product);
    RecordingPlatform::Drive drive{'D', ScsiAddress{0, 0, 0, 0}, c.Vendor, c.Product};
    RecordingPlatform platform({drive});
    TSCSIDevice device(platform);
    ASSERT_TRUE(device.InitASPI(true, {}));
    device.SetDeviceID(device.DeviceList.front());
    EXPECT_EQ(device.LongReadyWait, c.LongWait);
    EXPECT_EQ(device.LsvQuirk, c.Lsv);
    EXPECT_EQ(device.CloseImmediate, c.Immediate);
  }
}

TEST(Enumeration, LinuxHostNumbersBeyondTheAdapterFieldGetFreeAdapters) {
  const auto assigned = AssignAdapters({ScsiAddress{2, 0, 0, 0}, ScsiAddress{300, 0, 0, 0}, ScsiAddress{254, 0, 1, 0},
                                        ScsiAddress{300, 0, 1, 0}, std::nullopt, ScsiAddress{1, 0, 999, 0}});
  ASSERT_EQ(assigned.size(), 6u);
  EXPECT_EQ(assigned[0], (DriveAddress{2, 0, 0}));
  EXPECT_EQ(assigned[1], (DriveAddress{3, 0, 0}));
  EXPECT_EQ(assigned[2], (DriveAddress{4, 1, 0}));
  EXPECT_EQ(assigned[3], (DriveAddress{3, 1, 0}));  // the same Linux host stays on one adapter
  EXPECT_FALSE(assigned[4]);
  EXPECT_FALSE(assigned[5]);
}

TEST(Enumeration, EngineNumbersDrivesWithoutAddressBehindTheOthers) {
  RecordingPlatform platform({{'D', std::nullopt}, {'E', ScsiAddress{3, 0, 0, 0}}, {'F', std::nullopt},
                              {'G', ScsiAddress{1000, 0, 0, 0}}});
  EngineDevice device(platform);
  ASSERT_TRUE(device.Initialize(false, {}, {}));
  EXPECT_TRUE(device.PassThroughMode);
  ASSERT_EQ(device.DeviceCount(), 4);
  EXPECT_EQ(device.DeviceLine(0), "3:0:0,E: VELMAR   TEST RECORDER    1.00 ");
  EXPECT_EQ(device.DeviceLine(1).substr(0, 9), "4:0:0,G: ");
  EXPECT_EQ(device.DeviceLine(2).substr(0, 9), "5:0:0,D: ");
  EXPECT_EQ(device.DeviceLine(3).substr(0, 9), "6:0:0,F: ");
  EXPECT_TRUE(device.SelectDeviceByLetter('F'));
  EXPECT_FALSE(device.SelectDeviceByLetter('Q'));
  EXPECT_FALSE(device.SelectDevice(4));
  EXPECT_FALSE(device.TestUnitReady());  // nothing selected after a failed selection
}

TEST(Enumeration, EngineLogHasHeaderDriveLinesAndCommands) {
  const auto path = std::filesystem::temp_directory_path() / ("velmarond-log-" + std::to_string(::getpid()) + ".elg");
  {
    RecordingPlatform platform;
    EngineDevice device(platform);
    ASSERT_TRUE(device.Initialize(false, {}, path.string()));
    ASSERT_TRUE(device.SelectDevice(0));
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::filesystem::remove(path);
  EXPECT_EQ(text.rfind("GetZAZAVersion\r\nD: 5 - ( 1:0:0,D: VELMAR   TEST RECORDER    1.00 )\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("INQUIRY                (12) {48:06} - 1:0:0 <01> [00040] 00 00 00 40 00 "), std::string::npos) << text;
}

}  // namespace
}  // namespace velmarond::device
