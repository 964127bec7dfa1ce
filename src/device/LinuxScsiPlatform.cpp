#include "device/LinuxScsiPlatform.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/CommandBlock.h"
#include "device/SysfsDriveScan.h"

namespace velmarond::device {

namespace {

// Host byte of the sg result (the kernel's DID_* values).
constexpr unsigned short HostNoConnect = 0x01;
constexpr unsigned short HostBusBusy = 0x02;
constexpr unsigned short HostTimeOut = 0x03;
constexpr unsigned short HostBadTarget = 0x04;
constexpr unsigned short HostAbort = 0x05;
constexpr unsigned short HostParity = 0x06;
constexpr unsigned short HostReset = 0x08;
// Driver byte (the kernel's DRIVER_* values, low nibble).
constexpr unsigned short DriverTimeout = 0x06;

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::ReadWrite: return O_RDWR | O_NONBLOCK;
    case OpenMode::ReadOnly: return O_RDONLY | O_NONBLOCK;
    case OpenMode::ExclusiveReadWrite: return O_RDWR | O_NONBLOCK | O_EXCL;
  }
  return O_RDONLY | O_NONBLOCK;
}

int SgDirection(DataDirection direction, std::size_t length) {
  if (length == 0) return SG_DXFER_NONE;
  switch (direction) {
    case DataDirection::In: return SG_DXFER_FROM_DEV;
    case DataDirection::Out: return SG_DXFER_TO_DEV;
    case DataDirection::None: return SG_DXFER_NONE;
  }
  return SG_DXFER_NONE;
}

// The transport failures the device layers know, in their host adapter status vocabulary.
std::uint8_t HostAdapterStatusOf(unsigned short hostStatus, bool timedOut) {
  if (timedOut) return HostAdapterStatus::CommandTimeout;
  switch (hostStatus) {
    case 0: return HostAdapterStatus::Ok;
    case HostNoConnect:
    case HostBadTarget: return HostAdapterStatus::SelectionTimeout;
    case HostReset: return HostAdapterStatus::BusReset;
    case HostParity: return HostAdapterStatus::ParityError;
    case HostAbort: return HostAdapterStatus::CommandTimeout;
    case HostBusBusy:
    default: return HostAdapterStatus::UnexpectedBusFree;
  }
}

}  // namespace

LinuxSystemCalls LinuxSystemCalls::Real() {
  return {[](const std::string& path, int flags) { return ::open(path.c_str(), flags); },
          [](int fd) { return ::close(fd); },
          [](int fd, sg_io_hdr* request) { return ::ioctl(fd, SG_IO, request); }};
}

PassThroughResult DecodeSgIoResult(const sg_io_hdr& header, int ioctlResult, int error) {
  PassThroughResult result;
  if (ioctlResult < 0) {
    result.SystemError = error;
    return result;
  }
  result.CallSucceeded = true;
  result.ScsiStatus = header.status;
  result.TimedOut = header.host_status == HostTimeOut || (header.driver_status & 0x0F) == DriverTimeout;
  result.HostStatus = HostAdapterStatusOf(header.host_status, result.TimedOut);
  result.SenseLength = std::min<std::uint8_t>(header.sb_len_wr, SenseBufferSize);
  result.Residual = header.resid > 0 ? static_cast<std::uint32_t>(header.resid) : 0;
  return result;
}

LinuxScsiPlatform::LinuxScsiPlatform(LinuxPlatformOptions options) : Options(std::move(options)) {}

LinuxScsiPlatform::~LinuxScsiPlatform() {
  for (const auto& [handle, letter] : OpenHandles) Options.Calls.Close(handle);
}

void LinuxScsiPlatform::Rescan() {
  Drives.clear();
  for (const auto& drive : ScanSysfsOpticalDrives(Options.SysfsRoot)) {
    const char letter = DriveLetterForNumber(drive.Number);
    if (letter == 0) continue;
    Drives[letter] = {Options.DevRoot + "/" + drive.Name, drive.Address};
  }
}

std::vector<DriveRoot> LinuxScsiPlatform::ListDrives() {
  std::lock_guard guard(Lock);
  Rescan();
  std::vector<DriveRoot> roots;
  for (const auto& [letter, drive] : Drives) {
    roots.push_back({letter, DriveType::Optical, drive.Node, drive.Node, false});
  }
  return roots;
}

DriveHandle LinuxScsiPlatform::Open(char letter, OpenMode mode) {
  std::lock_guard guard(Lock);
  if (Drives.empty()) Rescan();
  auto drive = Drives.find(letter);
  if (drive == Drives.end()) {
    LastError = ENODEV;
    return InvalidHandle;
  }
  int fd = Options.Calls.Open(drive->second.Node, OpenFlags(mode));
  if (fd < 0 && mode == OpenMode::ReadWrite) fd = Options.Calls.Open(drive->second.Node, OpenFlags(OpenMode::ReadOnly));
  if (fd < 0) {
    LastError = errno;
    return InvalidHandle;
  }
  LastError = 0;
  OpenHandles[fd] = letter;
  return fd;
}

void LinuxScsiPlatform::Close(DriveHandle handle) {
  std::lock_guard guard(Lock);
  if (OpenHandles.erase(handle) != 0) Options.Calls.Close(handle);
}

std::optional<ScsiAddress> LinuxScsiPlatform::GetScsiAddress(DriveHandle handle) {
  std::lock_guard guard(Lock);
  auto open = OpenHandles.find(handle);
  if (open == OpenHandles.end()) return std::nullopt;
  auto drive = Drives.find(open->second);
  return drive == Drives.end() ? std::nullopt : drive->second.Address;
}

PassThroughResult LinuxScsiPlatform::PassThrough(DriveHandle handle, const PassThroughRequest& request) {
  sg_io_hdr header;
  std::memset(&header, 0, sizeof(header));
  std::array<std::uint8_t, 16> cdb{};
  std::copy_n(request.Cdb.begin(), std::min(request.Cdb.size(), cdb.size()), cdb.begin());
  std::array<std::uint8_t, SenseBufferSize> sense{};
  header.interface_id = 'S';
  header.dxfer_direction = SgDirection(request.Direction, request.Data.size());
  header.cmd_len = static_cast<unsigned char>(std::min(request.Cdb.size(), cdb.size()));
  header.mx_sb_len = static_cast<unsigned char>(sense.size());
  header.dxfer_len = header.dxfer_direction == SG_DXFER_NONE ? 0 : static_cast<unsigned>(request.Data.size());
  header.dxferp = header.dxfer_len == 0 ? nullptr : request.Data.data();
  header.cmdp = cdb.data();
  header.sbp = sense.data();
  header.timeout = request.TimeoutMs;

  errno = 0;
  const int ioctlResult = Options.Calls.SgIo(handle, &header);
  PassThroughResult result = DecodeSgIoResult(header, ioctlResult, errno);
  result.Sense = sense;
  std::lock_guard guard(Lock);
  LastError = result.SystemError;
  return result;
}

int LinuxScsiPlatform::LastSystemError() const {
  std::lock_guard guard(Lock);
  return LastError;
}

}  // namespace velmarond::device
