// The external ASPI-style library transport: loading by path, completion through the event, and a
// command the drive never answers, which must come back as a timeout instead of hanging.

#include <gtest/gtest.h>
#include <dlfcn.h>

#include "RecordingPlatform.h"
#include "device/AspiLibrary.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {
namespace {

TEST(AspiLibrary, MissingLibraryOrEntryPointsDoNotLoad) {
  EXPECT_FALSE(AspiLibrary::Load(""));
  EXPECT_FALSE(AspiLibrary::Load("/nonexistent/libaspi.so"));
  EXPECT_FALSE(AspiLibrary::Load("libc.so.6"));
}

TEST(AspiLibrary, PendingCommandsCompleteThroughTheEventAndLostOnesTimeOut) {
  testing::RecordingPlatform noDrives(std::vector<testing::RecordingPlatform::Drive>{});
  TSCSIDevice device(noDrives);
  ASSERT_TRUE(device.InitASPI(false, FAKE_ASPI_LIBRARY));
  EXPECT_EQ(device.TransportName(), "WNASPI32.DLL");
  ASSERT_EQ(device.DeviceList.size(), 1u);
  EXPECT_EQ(device.DeviceList.front(), "0:0:0,?: FAKEASPIDRIVE           0.01");

  device.Address = {0, 1, 0};  // the drive that never answers
  CommandBlock block{};
  block.CdbLength = 6;
  block.Header.Flags = SrbFlags::None;
  EXPECT_EQ(device.ExecuteCommand(block, 1'000), SrbStatus::Error);
  EXPECT_EQ(block.HostStatus, HostAdapterStatus::CommandTimeout);
  EXPECT_EQ(device.LastErrorText, "COMMAND TIMEOUT");
  void* library = ::dlopen(FAKE_ASPI_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  auto aborts = reinterpret_cast<int (*)()>(::dlsym(library, "FakeAspiAborts"));
  EXPECT_EQ(aborts(), 2);  // the scan's INQUIRY of the lost drive and the command above
  ::dlclose(library);
}

}  // namespace
}  // namespace velmarond::device
