#pragma once
// What the preload bridge needs from whatever stands behind a bridged device path: run one SCSI
// command and persist the state. The real implementation wraps a virtual recorder folder; the unit
// tests use a small scripted fake.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/Result.h"
#include "device/ScsiPlatform.h"

namespace velmarond::bridge {

struct ScsiReply {
  std::uint8_t Status = 0;            // SCSI status byte: 00h good, 02h check condition, 08h busy
  std::vector<std::uint8_t> Sense;    // fixed-format sense data when Status is 02h
  std::uint32_t Residual = 0;         // bytes of the data buffer not transferred
  bool TimedOut = false;
};

class BridgeDevice {
 public:
  virtual ~BridgeDevice() = default;
  virtual ScsiReply Execute(std::span<const std::uint8_t> cdb, device::DataDirection direction,
                            std::span<std::uint8_t> data, std::uint32_t timeoutMs) = 0;
  virtual Result<void> Save() = 0;
};

// Loads the virtual recorder kept in folder (defined next to the recorder adapter).
Result<std::unique_ptr<BridgeDevice>> OpenRecorderDevice(const std::string& folder);

}  // namespace velmarond::bridge
