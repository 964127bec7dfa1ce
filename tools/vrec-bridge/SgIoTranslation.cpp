#include "SgIoTranslation.h"

#include <linux/cdrom.h>
#include <linux/fs.h>
#include <scsi/scsi.h>
#include <scsi/scsi_ioctl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace velmarond::bridge {
namespace {

// Driver and host codes of the Linux SCSI mid layer (not exported to user-space headers).
constexpr unsigned char DriverSense = 0x08;
constexpr unsigned char DriverTimeout = 0x06;
constexpr unsigned char HostTimeout = 0x03;
constexpr std::uint8_t CheckCondition = 0x02;

std::optional<device::DataDirection> DirectionOf(int sgDirection) {
  switch (sgDirection) {
    case SG_DXFER_NONE: return device::DataDirection::None;
    case SG_DXFER_TO_DEV: return device::DataDirection::Out;
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV: return device::DataDirection::In;
    default: return std::nullopt;
  }
}

// A scatter list is copied into one buffer, so the device sees one contiguous transfer.
class TransferBuffer {
 public:
  explicit TransferBuffer(const sg_io_hdr_t& request) : Request(request) {
    if (request.iovec_count == 0) return;
    Gathered.resize(request.dxfer_len);
    if (request.dxfer_direction == SG_DXFER_TO_DEV) ForEachPiece([](std::uint8_t* flat, void* piece, std::size_t n) {
      std::memcpy(flat, piece, n);
    });
  }
  std::span<std::uint8_t> Span() {
    if (Request.iovec_count != 0) return Gathered;
    return {static_cast<std::uint8_t*>(Request.dxferp), Request.dxferp ? Request.dxfer_len : 0u};
  }
  void ScatterBack() {
    if (Request.iovec_count == 0 || Request.dxfer_direction == SG_DXFER_TO_DEV) return;
    ForEachPiece([](std::uint8_t* flat, void* piece, std::size_t n) { std::memcpy(piece, flat, n); });
  }

 private:
  template <typename Copy>
  void ForEachPiece(Copy copy) {
    const auto* pieces = static_cast<const sg_iovec_t*>(Request.dxferp);
    std::size_t done = 0;
    for (unsigned i = 0; i < Request.iovec_count && done < Gathered.size(); ++i) {
      const std::size_t n = std::min(pieces[i].iov_len, Gathered.size() - done);
      copy(Gathered.data() + done, pieces[i].iov_base, n);
      done += n;
    }
  }
  const sg_io_hdr_t& Request;
  std::vector<std::uint8_t> Gathered;
};

ScsiReply Run(BridgeDevice& device, std::initializer_list<std::uint8_t> cdb,
              device::DataDirection direction = device::DataDirection::None,
              std::span<std::uint8_t> data = {}) {
  std::array<std::uint8_t, 12> bytes{};
  std::copy(cdb.begin(), cdb.end(), bytes.begin());
  return device.Execute(std::span(bytes.data(), cdb.size()), direction, data, 30'000);
}

bool Good(const ScsiReply& reply) { return reply.Status == 0 && !reply.TimedOut; }

// Sense key, ASC and ASCQ of fixed-format sense data.
std::array<std::uint8_t, 3> SenseCodes(const ScsiReply& reply) {
  if (reply.Sense.size() < 14) return {0, 0, 0};
  return {static_cast<std::uint8_t>(reply.Sense[2] & 0x0F), reply.Sense[12], reply.Sense[13]};
}

int DriveStatus(BridgeDevice& device) {
  const ScsiReply reply = Run(device, {0x00, 0, 0, 0, 0, 0});  // TEST UNIT READY
  if (Good(reply)) return CDS_DISC_OK;
  const auto [key, asc, ascq] = SenseCodes(reply);
  if (key == 0x02 && asc == 0x3A) return ascq == 0x02 ? CDS_TRAY_OPEN : CDS_NO_DISC;
  if (key == 0x02 && asc == 0x04) return CDS_DRIVE_NOT_READY;
  return CDS_DISC_OK;  // a unit attention or similar still means a disc is there
}

}  // namespace

std::uint64_t CapacityBytes(BridgeDevice& device) {
  std::array<std::uint8_t, 8> reply{};
  if (!Good(Run(device, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, device::DataDirection::In, reply))) return 0;
  const std::uint64_t lastLba = (std::uint64_t{reply[0]} << 24) | (reply[1] << 16) | (reply[2] << 8) | reply[3];
  const std::uint64_t blockSize = (std::uint64_t{reply[4]} << 24) | (reply[5] << 16) | (reply[6] << 8) | reply[7];
  return (lastLba + 1) * (blockSize ? blockSize : 2048);
}

namespace {

int StartStop(BridgeDevice& device, std::uint8_t loadEject) {
  return Good(Run(device, {0x1B, 0, 0, 0, loadEject, 0})) ? 0 : -EIO;
}

int PreventRemoval(BridgeDevice& device, bool prevent) {
  return Good(Run(device, {0x1E, 0, 0, 0, static_cast<std::uint8_t>(prevent ? 1 : 0), 0})) ? 0 : -EIO;
}

template <typename T>
int Store(void* argument, T value) {
  if (!argument) return -EFAULT;
  std::memcpy(argument, &value, sizeof value);
  return 0;
}

}  // namespace

int RunSgIo(BridgeDevice& device, sg_io_hdr_t& request) {
  if (request.interface_id != 'S') return -ENOSYS;
  if (request.cmd_len < 6 || request.cmd_len > 16 || !request.cmdp) return -EINVAL;
  const auto direction = DirectionOf(request.dxfer_direction);
  if (!direction) return -EINVAL;

  TransferBuffer buffer(request);
  const auto started = std::chrono::steady_clock::now();
  const ScsiReply reply =
      device.Execute(std::span<const std::uint8_t>(request.cmdp, request.cmd_len), *direction, buffer.Span(),
                     request.timeout);
  buffer.ScatterBack();
  const auto elapsed = std::chrono::steady_clock::now() - started;

  request.status = reply.Status;
  request.masked_status = (reply.Status >> 1) & 0x7F;
  request.msg_status = 0;
  request.host_status = reply.TimedOut ? HostTimeout : 0;
  request.driver_status = reply.TimedOut ? DriverTimeout : 0;
  request.sb_len_wr = 0;
  if (reply.Status == CheckCondition && !reply.Sense.empty()) {
    request.driver_status |= DriverSense;
    const std::size_t n = std::min<std::size_t>(reply.Sense.size(), request.sbp ? request.mx_sb_len : 0);
    if (n > 0) std::memcpy(request.sbp, reply.Sense.data(), n);
    request.sb_len_wr = static_cast<unsigned char>(n);
  }
  request.resid = static_cast<int>(std::min<std::uint32_t>(reply.Residual, request.dxfer_len));
  request.duration =
      static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  const bool abnormal = request.status != 0 || request.host_status != 0 || request.driver_status != 0;
  request.info = abnormal ? SG_INFO_CHECK : SG_INFO_OK;
  return 0;
}

long ReadMedium(BridgeDevice& device, std::uint8_t* out, std::size_t count, std::uint64_t offset) {
  constexpr std::size_t Sector = 2048;
  constexpr std::size_t MostSectors = 32;
  std::vector<std::uint8_t> sectors(MostSectors * Sector);
  std::size_t done = 0;
  while (done < count) {
    const std::uint64_t position = offset + done;
    const auto lba = static_cast<std::uint32_t>(position / Sector);
    const std::size_t skip = position % Sector;
    const std::size_t blocks = std::min(MostSectors, (skip + count - done + Sector - 1) / Sector);
    const ScsiReply reply =
        Run(device,
            {0x28, 0, static_cast<std::uint8_t>(lba >> 24), static_cast<std::uint8_t>(lba >> 16),
             static_cast<std::uint8_t>(lba >> 8), static_cast<std::uint8_t>(lba), 0,
             static_cast<std::uint8_t>(blocks >> 8), static_cast<std::uint8_t>(blocks), 0},
            device::DataDirection::In, std::span(sectors.data(), blocks * Sector));
    if (!Good(reply)) {
      // Reading past the recorded area is the end of the device, not an error.
      const auto [key, asc, ascq] = SenseCodes(reply);
      if (done > 0 || (key == 0x05 && asc == 0x21)) break;
      return -EIO;
    }
    const std::size_t n = std::min(blocks * Sector - skip, count - done);
    std::memcpy(out + done, sectors.data() + skip, n);
    done += n;
  }
  return static_cast<long>(done);
}

int RunDriveIoctl(BridgeDevice& device, unsigned minor, unsigned long request, void* argument) {
  switch (request) {
    case SG_GET_VERSION_NUM: return Store(argument, ClaimedSgVersion);
    case SG_GET_SCSI_ID: {
      struct sg_scsi_id id{};
      id.host_no = 0;
      id.channel = 0;
      id.scsi_id = static_cast<int>(minor);
      id.lun = 0;
      id.scsi_type = TYPE_ROM;
      id.h_cmd_per_lun = 1;
      id.d_queue_depth = 1;
      return Store(argument, id);
    }
    case SCSI_IOCTL_GET_IDLUN: {
      // dev_id packs target, lun, channel and host; host_unique_id tells hosts apart.
      const int packed[2] = {static_cast<int>(minor & 0xFF), 0};
      if (!argument) return -EFAULT;
      std::memcpy(argument, packed, sizeof packed);
      return 0;
    }
    case SCSI_IOCTL_GET_BUS_NUMBER: return Store(argument, 0);
    case SG_GET_RESERVED_SIZE: return Store(argument, 256 * 1024);
    case SG_SET_RESERVED_SIZE:
    case SG_SET_TIMEOUT:
    case SG_SET_COMMAND_Q:
    case SG_SET_FORCE_PACK_ID: return 0;
    case SG_GET_TIMEOUT: return 60 * 100;  // in jiffies, as the driver returns it
    case SG_EMULATED_HOST: return Store(argument, 0);
    case SG_GET_SG_TABLESIZE: return Store(argument, 128);
    case BLKSSZGET: return Store(argument, 2048);
    case BLKGETSIZE64: return Store(argument, CapacityBytes(device));
    case BLKGETSIZE: return Store(argument, static_cast<unsigned long>(CapacityBytes(device) / 512));
    case BLKROGET: return Store(argument, 0);
    case CDROM_DRIVE_STATUS: return DriveStatus(device);
    case CDROM_DISC_STATUS: return DriveStatus(device) == CDS_DISC_OK ? CDS_DATA_1 : CDS_NO_DISC;
    case CDROM_MEDIA_CHANGED: return 0;
    case CDROM_GET_CAPABILITY:
      return CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED | CDC_MEDIA_CHANGED | CDC_RESET |
             CDC_DRIVE_STATUS | CDC_GENERIC_PACKET | CDC_CD_R | CDC_CD_RW | CDC_DVD | CDC_DVD_R | CDC_MRW |
             CDC_MRW_W | CDC_RAM | CDC_MULTI_SESSION;
    case CDROMEJECT: return StartStop(device, 0x02);
    case CDROMCLOSETRAY: return StartStop(device, 0x03);
    case CDROM_LOCKDOOR: return PreventRemoval(device, reinterpret_cast<unsigned long>(argument) != 0);
    case CDROM_SET_OPTIONS:
    case CDROM_CLEAR_OPTIONS: return CDO_AUTO_CLOSE;
    case CDROM_SELECT_SPEED:
    case CDROMRESET:
    case CDROM_DEBUG: return 0;
    default: return -ENOTTY;
  }
}

}  // namespace velmarond::bridge
