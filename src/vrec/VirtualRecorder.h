#pragma once
// The in-process model of one virtual recorder: load it from its folder, run commands on it, save it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "device/Result.h"
#include "device/ScsiPlatform.h"
#include "vrec/Command.h"
#include "vrec/RecorderState.h"

namespace velmarond::vrec {

class VirtualRecorder {
 public:
  // A recorder that lives only in memory (tests); Save() then fails.
  explicit VirtualRecorder(DriveDescription drive, Clock* clock = nullptr);

  // Loads the recorder kept in folder (made by CreateRecorder). The folder is not locked here; see
  // FolderLock for holding it against other processes.
  static Result<std::unique_ptr<VirtualRecorder>> Load(const std::string& folder, Clock* clock = nullptr);
  // Writes the state back to the folder, never leaving it half-written.
  Result<void> Save();

  device::PassThroughResult Execute(std::span<const std::uint8_t> cdb, device::DataDirection direction,
                                    std::span<std::uint8_t> data, std::uint32_t timeoutMs = 120'000);

  RecorderState& State() { return Current; }
  const RecorderState& State() const { return Current; }
  const std::string& Folder() const { return Home; }

 private:
  Reply Run(const Command& command);
  std::optional<Reply> InjectFault(const Command& command);

  RecorderState Current;
  std::string Home;
  std::uint64_t SectorsGeneration = 0;
  std::mutex Lock;
};

}  // namespace velmarond::vrec
