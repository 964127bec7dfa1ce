#pragma once
// A platform whose drives are scripted: every pass-through is recorded (CDB, direction, length,
// timeout) and answered by a responder, so tests see the exact bytes each command sends.

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/ScsiPlatform.h"

namespace velmarond::device::testing {

struct RecordedCommand {
  std::vector<std::uint8_t> Cdb;
  DataDirection Direction = DataDirection::None;
  std::size_t Length = 0;
  std::uint32_t TimeoutMs = 0;
  std::vector<std::uint8_t> DataOut;
};

// Fills the reply (data in) and returns the result for one command.
using Responder = std::function<PassThroughResult(const RecordedCommand& command, std::span<std::uint8_t> data)>;

inline PassThroughResult Good() {
  PassThroughResult result;
  result.CallSucceeded = true;
  return result;
}

inline PassThroughResult CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  PassThroughResult result = Good();
  result.ScsiStatus = 0x02;
  result.Sense[0] = 0x70;
  result.Sense[2] = key;
  result.Sense[7] = 10;
  result.Sense[12] = asc;
  result.Sense[13] = ascq;
  result.SenseLength = 18;
  return result;
}

// INQUIRY of an optical drive with the given vendor and product; everything else succeeds with zeros.
inline void FillInquiry(std::span<std::uint8_t> data, const std::string& vendor, const std::string& product,
                        std::uint8_t type = 5) {
  std::fill(data.begin(), data.end(), 0);
  if (data.size() < 36) return;
  data[0] = type;
  std::string v = vendor, p = product;
  v.resize(8, ' ');
  p.resize(16, ' ');
  std::memcpy(&data[8], v.data(), 8);
  std::memcpy(&data[16], p.data(), 16);
  std::memcpy(&data[32], "1.00", 4);
}

class RecordingPlatform final : public ScsiPlatform {
 public:
  struct Drive {
    char Letter;
    std::optional<ScsiAddress> Address;
    std::string Vendor = "VELMAR";
    std::string Product = "TEST RECORDER";
  };

  RecordingPlatform();
  explicit RecordingPlatform(std::vector<Drive> drives) : Drives(std::move(drives)) {}

  Responder Respond;  // commands other than INQUIRY; none answers Good
  std::vector<RecordedCommand> Commands;
  int Opens = 0;
  std::vector<OpenMode> OpenModes;

  std::vector<DriveRoot> ListDrives() override {
    std::vector<DriveRoot> roots;
    for (const Drive& drive : Drives) roots.push_back({drive.Letter, DriveType::Optical, "/dev/fake", "fake", false});
    return roots;
  }
  DriveHandle Open(char letter, OpenMode mode) override {
    OpenModes.push_back(mode);
    for (std::size_t i = 0; i < Drives.size(); ++i) {
      if (Drives[i].Letter == letter) {
        ++Opens;
        return static_cast<DriveHandle>(100 + i);
      }
    }
    return InvalidHandle;
  }
  void Close(DriveHandle) override {}
  std::optional<ScsiAddress> GetScsiAddress(DriveHandle handle) override { return Drives.at(handle - 100).Address; }
  PassThroughResult PassThrough(DriveHandle handle, const PassThroughRequest& request) override {
    RecordedCommand command{{request.Cdb.begin(), request.Cdb.end()}, request.Direction, request.Data.size(),
                            request.TimeoutMs, {}};
    if (request.Direction == DataDirection::Out) command.DataOut.assign(request.Data.begin(), request.Data.end());
    Commands.push_back(command);
    if (command.Cdb[0] == 0x12) {
      const Drive& drive = Drives.at(handle - 100);
      FillInquiry(request.Data, drive.Vendor, drive.Product);
      return Good();
    }
    return Respond ? Respond(command, request.Data) : Good();
  }
  int LastSystemError() const override { return 0; }

  const RecordedCommand& Last() const { return Commands.back(); }

 private:
  std::vector<Drive> Drives;
};

inline RecordingPlatform::RecordingPlatform() : Drives{Drive{'D', ScsiAddress{1, 0, 0, 0}}} {}

}  // namespace velmarond::device::testing
