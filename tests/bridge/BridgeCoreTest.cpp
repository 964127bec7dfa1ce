// The parts of the preload bridge that need no real program: parsing VELMAROND_BRIDGE and turning
// sg driver requests into device commands and back.

#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <scsi/sg.h>

#include <vector>

#include "BridgeConfig.h"
#include "SgIoTranslation.h"

namespace velmarond::bridge {
namespace {

// Records the last command and answers with a scripted reply, filling In transfers with a pattern.
class ScriptedDevice : public BridgeDevice {
 public:
  ScsiReply Reply;
  std::vector<std::uint8_t> LastCdb;
  std::vector<std::uint8_t> LastOut;
  device::DataDirection LastDirection = device::DataDirection::None;
  std::uint8_t Fill = 0xA5;

  ScsiReply Execute(std::span<const std::uint8_t> cdb, device::DataDirection direction,
                    std::span<std::uint8_t> data, std::uint32_t) override {
    LastCdb.assign(cdb.begin(), cdb.end());
    LastDirection = direction;
    if (direction == device::DataDirection::Out) LastOut.assign(data.begin(), data.end());
    if (direction == device::DataDirection::In)
      for (std::size_t i = 0; i < data.size() - Reply.Residual; ++i) data[i] = static_cast<std::uint8_t>(Fill + i);
    return Reply;
  }
  Result<void> Save() override { return {}; }
};

std::vector<std::uint8_t> FixedSense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  return sense;
}

struct SgRequest {
  std::uint8_t Cdb[10] = {0x28, 0, 0, 0, 0, 0x10, 0, 0, 1, 0};
  std::uint8_t Sense[32] = {};
  std::vector<std::uint8_t> Data = std::vector<std::uint8_t>(2048, 0);
  sg_io_hdr_t Header{};

  explicit SgRequest(int direction = SG_DXFER_FROM_DEV, unsigned char senseRoom = 32) {
    Header.interface_id = 'S';
    Header.dxfer_direction = direction;
    Header.cmd_len = sizeof Cdb;
    Header.cmdp = Cdb;
    Header.mx_sb_len = senseRoom;
    Header.sbp = Sense;
    Header.dxfer_len = static_cast<unsigned>(Data.size());
    Header.dxferp = Data.data();
    Header.timeout = 5000;
  }
};

TEST(BridgeSpec, ParsesEntriesAndRejectsMalformedOnes) {
  auto two = ParseBridgeSpec("/dev/sr7=/tmp/a:/dev/sr12=/tmp/b c");
  ASSERT_TRUE(two) << two.GetError().Text;
  ASSERT_EQ(two->size(), 2u);
  EXPECT_EQ((*two)[0].DevicePath, "/dev/sr7");
  EXPECT_EQ((*two)[0].Folder, "/tmp/a");
  EXPECT_EQ((*two)[0].Minor, 7u);
  EXPECT_EQ((*two)[1].Folder, "/tmp/b c");
  EXPECT_EQ((*two)[1].Minor, 12u);

  for (const char* bad : {"", "/dev/sr7", "=/tmp/a", "/dev/sr7=", "sr7=/tmp/a", "/dev/sr7=/a:/dev/sr7=/b"})
    EXPECT_FALSE(ParseBridgeSpec(bad)) << "accepted \"" << bad << "\"";
}

TEST(BridgeSgIo, GoodReadReportsResidualAndNoSense) {
  ScriptedDevice device;
  device.Reply.Residual = 48;
  SgRequest request;
  ASSERT_EQ(RunSgIo(device, request.Header), 0);
  EXPECT_EQ(device.LastDirection, device::DataDirection::In);
  EXPECT_EQ(device.LastCdb, std::vector<std::uint8_t>(request.Cdb, request.Cdb + 10));
  EXPECT_EQ(request.Header.status, 0);
  EXPECT_EQ(request.Header.driver_status, 0);
  EXPECT_EQ(request.Header.sb_len_wr, 0);
  EXPECT_EQ(request.Header.resid, 48);
  EXPECT_EQ(request.Header.info & SG_INFO_OK_MASK, SG_INFO_OK);
  EXPECT_EQ(request.Data[1], 0xA6);
}

TEST(BridgeSgIo, CheckConditionCopiesSenseWithinTheCallersRoom) {
  ScriptedDevice device;
  device.Reply.Status = 0x02;
  device.Reply.Sense = FixedSense(0x05, 0x24, 0x00);
  SgRequest roomy;
  ASSERT_EQ(RunSgIo(device, roomy.Header), 0);
  EXPECT_EQ(roomy.Header.status, 0x02);
  EXPECT_EQ(roomy.Header.masked_status, 0x01);
  EXPECT_EQ(roomy.Header.driver_status, 0x08);  // the driver marks the sense as valid
  EXPECT_EQ(roomy.Header.sb_len_wr, 18);
  EXPECT_EQ(roomy.Sense[12], 0x24);
  EXPECT_EQ(roomy.Header.info & SG_INFO_OK_MASK, SG_INFO_CHECK);

  SgRequest tight(SG_DXFER_FROM_DEV, 8);
  ASSERT_EQ(RunSgIo(device, tight.Header), 0);
  EXPECT_EQ(tight.Header.sb_len_wr, 8);
  EXPECT_EQ(tight.Sense[8], 0) << "sense written past mx_sb_len";
}

TEST(BridgeSgIo, TimeoutIsReportedByHostAndDriver) {
  ScriptedDevice device;
  device.Reply.TimedOut = true;
  SgRequest request;
  ASSERT_EQ(RunSgIo(device, request.Header), 0);
  EXPECT_EQ(request.Header.host_status, 0x03);
  EXPECT_EQ(request.Header.driver_status & 0x0F, 0x06);
  EXPECT_EQ(request.Header.info & SG_INFO_OK_MASK, SG_INFO_CHECK);
}

TEST(BridgeSgIo, MalformedRequestsAreRefusedLikeTheDriver) {
  ScriptedDevice device;
  SgRequest wrongInterface;
  wrongInterface.Header.interface_id = 'Q';
  EXPECT_EQ(RunSgIo(device, wrongInterface.Header), -ENOSYS);
  SgRequest shortCdb;
  shortCdb.Header.cmd_len = 4;
  EXPECT_EQ(RunSgIo(device, shortCdb.Header), -EINVAL);
  SgRequest badDirection;
  badDirection.Header.dxfer_direction = 7;
  EXPECT_EQ(RunSgIo(device, badDirection.Header), -EINVAL);
  EXPECT_TRUE(device.LastCdb.empty()) << "a refused request reached the device";
}

TEST(BridgeSgIo, ScatterListsAreGatheredForWritesAndScatteredForReads) {
  ScriptedDevice device;
  std::vector<std::uint8_t> first(3, 1), second(5, 2);
  sg_iovec_t pieces[2] = {{first.data(), first.size()}, {second.data(), second.size()}};
  SgRequest write(SG_DXFER_TO_DEV);
  write.Header.iovec_count = 2;
  write.Header.dxferp = pieces;
  write.Header.dxfer_len = 8;
  ASSERT_EQ(RunSgIo(device, write.Header), 0);
  EXPECT_EQ(device.LastOut, (std::vector<std::uint8_t>{1, 1, 1, 2, 2, 2, 2, 2}));

  SgRequest read(SG_DXFER_FROM_DEV);
  read.Header.iovec_count = 2;
  read.Header.dxferp = pieces;
  read.Header.dxfer_len = 8;
  device.Fill = 0x10;
  ASSERT_EQ(RunSgIo(device, read.Header), 0);
  EXPECT_EQ(first, (std::vector<std::uint8_t>{0x10, 0x11, 0x12}));
  EXPECT_EQ(second[0], 0x13);
  EXPECT_EQ(second[4], 0x17);
}

TEST(BridgeDriveIoctl, DriveStatusFollowsTestUnitReadySense) {
  struct Case {
    std::uint8_t Status;
    std::vector<std::uint8_t> Sense;
    int Expected;
  };
  const Case cases[] = {
      {0x00, {}, CDS_DISC_OK},
      {0x02, FixedSense(0x02, 0x3A, 0x01), CDS_NO_DISC},
      {0x02, FixedSense(0x02, 0x3A, 0x02), CDS_TRAY_OPEN},
      {0x02, FixedSense(0x02, 0x04, 0x01), CDS_DRIVE_NOT_READY},
  };
  for (const Case& c : cases) {
    ScriptedDevice device;
    device.Reply.Status = c.Status;
    device.Reply.Sense = c.Sense;
    EXPECT_EQ(RunDriveIoctl(device, 9, CDROM_DRIVE_STATUS, nullptr), c.Expected);
    EXPECT_EQ(device.LastCdb.at(0), 0x00) << "not TEST UNIT READY";
  }
}

TEST(BridgeDriveIoctl, IdentityAndTrayRequests) {
  ScriptedDevice device;
  int version = 0;
  ASSERT_EQ(RunDriveIoctl(device, 9, SG_GET_VERSION_NUM, &version), 0);
  EXPECT_GE(version, 30000);
  struct sg_scsi_id id{};
  ASSERT_EQ(RunDriveIoctl(device, 9, SG_GET_SCSI_ID, &id), 0);
  EXPECT_EQ(id.scsi_type, 5);  // a CD/DVD device
  EXPECT_EQ(id.scsi_id, 9);

  ASSERT_EQ(RunDriveIoctl(device, 9, CDROMEJECT, nullptr), 0);
  EXPECT_EQ(device.LastCdb, (std::vector<std::uint8_t>{0x1B, 0, 0, 0, 0x02, 0}));
  ASSERT_EQ(RunDriveIoctl(device, 9, CDROM_LOCKDOOR, reinterpret_cast<void*>(1)), 0);
  EXPECT_EQ(device.LastCdb, (std::vector<std::uint8_t>{0x1E, 0, 0, 0, 1, 0}));

  device.Fill = 0;
  std::uint64_t bytes = 0;
  ASSERT_EQ(RunDriveIoctl(device, 9, BLKGETSIZE64, &bytes), 0);
  EXPECT_EQ(device.LastCdb.at(0), 0x25);
  // The fake fills 00 01 02 03 04 05 06 07: last LBA 0x00010203, block size 0x04050607.
  EXPECT_EQ(bytes, (0x00010203ULL + 1) * 0x04050607ULL);

  EXPECT_EQ(RunDriveIoctl(device, 9, 0x7777, nullptr), -ENOTTY);
}

}  // namespace
}  // namespace velmarond::bridge
