#pragma once
// The operations the device layers need from the operating system, as one interface.
//
// Two implementations exist: the Linux SG_IO one (physical drives under /dev/sr*) and the virtual
// recorder (src/vrec). A composite (src/platform) lists physical drives first, then virtual recorders.
// This header holds no code so that the virtual recorder can implement it without linking the device
// library.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmarond::device {

// What the drive-type query of a root reports; only optical drives take part in the scans.
enum class DriveType : std::uint8_t { Unknown = 0, Optical = 5 };

// One optical drive the platform knows. The letter is the matching key the device layers use
// ('D' + N for /dev/srN, 'V' onward for virtual recorders).
struct DriveRoot {
  char Letter = 0;
  DriveType Type = DriveType::Unknown;
  std::string Node;         // /dev/srN, or the virtual recorder's folder
  std::string DisplayName;  // what users see next to the letter
  bool IsVirtual = false;
};

// Host adapter, channel, target and logical unit as Linux numbers them. The host number may exceed
// 255 on Linux; the device layers map it to their 8-bit adapter field.
struct ScsiAddress {
  unsigned Host = 0;
  unsigned Channel = 0;
  unsigned Target = 0;
  unsigned Lun = 0;
  friend bool operator==(const ScsiAddress&, const ScsiAddress&) = default;
};

enum class DataDirection : std::uint8_t { None, In, Out };

enum class OpenMode : std::uint8_t {
  ReadWrite,           // read/write, shared
  ReadOnly,            // the fallback when read/write is refused
  ExclusiveReadWrite,  // held for a whole write, erase or verify: no poller may interfere
};

using DriveHandle = int;
inline constexpr DriveHandle InvalidHandle = -1;

inline constexpr std::size_t SenseBufferSize = 24;

struct PassThroughRequest {
  std::span<const std::uint8_t> Cdb;  // 6, 10, 12 or 16 bytes
  DataDirection Direction = DataDirection::None;
  std::span<std::uint8_t> Data;       // the whole buffer; its size is the transfer length
  std::uint32_t TimeoutMs = 120'000;
};

struct PassThroughResult {
  bool CallSucceeded = false;    // the system call itself worked (the command may still have failed)
  std::uint8_t ScsiStatus = 0;   // 00h good, 02h check condition, 08h busy, ...
  std::uint8_t HostStatus = 0;   // transport-level failure, e.g. a timeout
  std::array<std::uint8_t, SenseBufferSize> Sense{};
  std::uint8_t SenseLength = 0;  // valid bytes in Sense
  int SystemError = 0;           // errno of a failed call, 0 otherwise
  std::uint32_t Residual = 0;    // bytes of Data not transferred
  bool TimedOut = false;
};

class ScsiPlatform {
 public:
  virtual ~ScsiPlatform() = default;

  // Every optical drive, in a stable order.
  virtual std::vector<DriveRoot> ListDrives() = 0;

  // A handle, or InvalidHandle with the reason in LastSystemError().
  virtual DriveHandle Open(char letter, OpenMode mode) = 0;
  virtual void Close(DriveHandle handle) = 0;

  // The drive's SCSI address; none for drives that have no such address (the device layers then
  // number them themselves).
  virtual std::optional<ScsiAddress> GetScsiAddress(DriveHandle handle) = 0;

  // Runs one command and waits for it, at most request.TimeoutMs.
  virtual PassThroughResult PassThrough(DriveHandle handle, const PassThroughRequest& request) = 0;

  virtual int LastSystemError() const = 0;
};

}  // namespace velmarond::device
