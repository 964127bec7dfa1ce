// The Linux platform against a fake sysfs tree and a fake SG_IO call.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <scsi/sg.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "device/LinuxScsiPlatform.h"
#include "device/SysfsDriveScan.h"

namespace velmarond::device {
namespace {

namespace fs = std::filesystem;

class FakeSysfs : public ::testing::Test {
 protected:
  fs::path Root = fs::temp_directory_path() / ("velmarond-sysfs-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
  void SetUp() override { fs::create_directories(Root / "class/block"); }
  void TearDown() override { fs::remove_all(Root); }

  // A block device whose device link points at a SCSI device directory named hctl.
  void AddBlock(const std::string& name, const std::string& hctl, int type, const std::string& model = "DVDRW") {
    const fs::path device = Root / "devices" / name / hctl;
    fs::create_directories(device);
    std::ofstream(device / "type") << type << "\n";
    std::ofstream(device / "vendor") << "VENDOR  \n";
    std::ofstream(device / "model") << model << "\n";
    fs::create_directories(Root / "class/block" / name);
    fs::create_directory_symlink(device, Root / "class/block" / name / "device");
  }
};

TEST_F(FakeSysfs, ScanFindsOpticalDrivesWithTheirAddresses) {
  AddBlock("sr1", "300:0:1:0", 5);
  AddBlock("sr0", "2:0:0:0", 5);
  AddBlock("sda", "0:0:0:0", 0);
  AddBlock("sr2", "not-an-address", 5);
  AddBlock("sr3", "4:0:0:0", 0);  // an sr node that is no optical drive
  const auto drives = ScanSysfsOpticalDrives(Root.string());
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].Name, "sr0");
  EXPECT_EQ(drives[0].Address, (ScsiAddress{2, 0, 0, 0}));
  EXPECT_EQ(drives[1].Address, (ScsiAddress{300, 0, 1, 0}));
  EXPECT_FALSE(drives[2].Address);
  EXPECT_EQ(drives[0].Vendor, "VENDOR");
}

TEST_F(FakeSysfs, LettersOpeningAndFallback) {
  AddBlock("sr0", "2:0:0:0", 5);
  AddBlock("sr23", "3:0:0:0", 5);  // would pass 'Z'
  std::vector<std::pair<std::string, int>> opens;
  LinuxPlatformOptions options;
  options.SysfsRoot = Root.string();
  options.Calls.Open = [&](const std::string& path, int flags) {
    opens.emplace_back(path, flags);
    if ((flags & O_ACCMODE) == O_RDWR) {
      errno = EROFS;
      return -1;
    }
    return 7;
  };
  options.Calls.Close = [](int) { return 0; };
  LinuxScsiPlatform platform(options);
  const auto roots = platform.ListDrives();
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_EQ(roots[0].Letter, 'D');
  EXPECT_EQ(roots[0].Node, "/dev/sr0");
  const DriveHandle handle = platform.Open('D', OpenMode::ReadWrite);
  EXPECT_EQ(handle, 7);
  ASSERT_EQ(opens.size(), 2u);
  EXPECT_EQ(opens[0].second, O_RDWR | O_NONBLOCK);
  EXPECT_EQ(opens[1].second, O_RDONLY | O_NONBLOCK);
  EXPECT_EQ(platform.GetScsiAddress(handle), (ScsiAddress{2, 0, 0, 0}));

  opens.clear();
  EXPECT_EQ(platform.Open('D', OpenMode::ExclusiveReadWrite), InvalidHandle);  // no read-only fallback for a write
  EXPECT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].second, O_RDWR | O_NONBLOCK | O_EXCL);
  EXPECT_EQ(platform.LastSystemError(), EROFS);
  EXPECT_EQ(platform.Open('E', OpenMode::ReadOnly), InvalidHandle);
}

TEST_F(FakeSysfs, RequestPackingAndResultDecoding) {
  AddBlock("sr0", "2:0:0:0", 5);
  struct Case {
    const char* Name;
    std::function<int(sg_io_hdr*)> Kernel;
    bool CallSucceeded, TimedOut;
    std::uint8_t ScsiStatus, HostStatus;
    std::uint32_t Residual;
    int SystemError;
  };
  const Case cases[] = {
      {"good with a short transfer", [](sg_io_hdr* h) { h->resid = 100; return 0; }, true, false, 0, 0, 100, 0},
      {"check condition with sense",
       [](sg_io_hdr* h) { h->status = 2; h->sb_len_wr = 18; static_cast<std::uint8_t*>(h->sbp)[0] = 0x70; return 0; },
       true, false, 2, 0, 0, 0},
      {"host timeout", [](sg_io_hdr* h) { h->host_status = 0x03; return 0; }, true, true, 0, 0x09, 0, 0},
      {"driver timeout", [](sg_io_hdr* h) { h->driver_status = 0x06; return 0; }, true, true, 0, 0x09, 0, 0},
      {"lost device", [](sg_io_hdr*) { errno = ENODEV; return -1; }, false, false, 0, 0, 0, ENODEV},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    sg_io_hdr seen{};
    LinuxPlatformOptions options;
    options.SysfsRoot = Root.string();
    options.Calls.Open = [](const std::string&, int) { return 5; };
    options.Calls.Close = [](int) { return 0; };
    options.Calls.SgIo = [&](int, sg_io_hdr* h) { seen = *h; return c.Kernel(h); };
    LinuxScsiPlatform platform(options);
    platform.ListDrives();
    const DriveHandle handle = platform.Open('D', OpenMode::ReadWrite);
    std::array<std::uint8_t, 512> data{};
    const std::uint8_t cdb[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0x02, 0x00, 0};
    const PassThroughResult result = platform.PassThrough(handle, {cdb, DataDirection::In, data, 20'000});
    EXPECT_EQ(seen.interface_id, 'S');
    EXPECT_EQ(seen.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(seen.cmd_len, 10);
    EXPECT_EQ(seen.mx_sb_len, 24);
    EXPECT_EQ(seen.dxfer_len, 512u);
    EXPECT_EQ(seen.timeout, 20'000u);
    EXPECT_EQ(result.CallSucceeded, c.CallSucceeded);
    EXPECT_EQ(result.TimedOut, c.TimedOut);
    EXPECT_EQ(result.ScsiStatus, c.ScsiStatus);
    EXPECT_EQ(result.HostStatus, c.HostStatus);
    EXPECT_EQ(result.Residual, c.Residual);
    EXPECT_EQ(result.SystemError, c.SystemError);
    EXPECT_EQ(platform.LastSystemError(), c.SystemError);
  }
}

}  // namespace
}  // namespace velmarond::device
