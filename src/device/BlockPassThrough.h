#pragma once
// Running an execute block through the platform's pass-through, as both layers do.

#include <algorithm>
#include <cstdint>

#include "device/CommandBlock.h"
#include "device/ScsiPlatform.h"

namespace velmarond::device {

inline DataDirection DirectionOfFlags(std::uint8_t flags) {
  if (flags & SrbFlags::DataIn) return DataDirection::In;
  if (flags & SrbFlags::DataOut) return DataDirection::Out;
  return DataDirection::None;
}

// Fills status, host and target status and senseCopy sense bytes of the block from the result.
// A failed system call (a drive that vanished, a node that cannot be used) has no SCSI status to
// show, so it is reported as a selection timeout rather than an empty error.
template <std::size_t SenseBytes>
PassThroughResult RunBlockThroughPlatform(ScsiPlatform& platform, DriveHandle handle,
                                          ExecScsiBlock<SenseBytes>& block, std::uint32_t timeoutMs,
                                          std::size_t senseCopy) {
  PassThroughRequest request;
  request.Cdb = std::span<const std::uint8_t>(block.Cdb, std::min<std::size_t>(block.CdbLength, 16));
  request.Direction = DirectionOfFlags(block.Header.Flags);
  if (request.Direction != DataDirection::None && block.Buffer() != nullptr) {
    request.Data = std::span<std::uint8_t>(block.Buffer(), block.DataLength);
  }
  request.TimeoutMs = timeoutMs;
  PassThroughResult result = platform.PassThrough(handle, request);
  const bool good = result.CallSucceeded && result.ScsiStatus == TargetStatus::Good &&
                    result.HostStatus == HostAdapterStatus::Ok && !result.TimedOut;
  if (good) {
    block.Header.Status = SrbStatus::Complete;
    return result;
  }
  block.Header.Status = SrbStatus::Error;
  block.TargetStatus = result.ScsiStatus;
  block.HostStatus = result.TimedOut ? HostAdapterStatus::CommandTimeout
                     : result.CallSucceeded ? result.HostStatus
                                            : HostAdapterStatus::SelectionTimeout;
  std::copy_n(result.Sense.begin(), std::min({senseCopy, result.Sense.size(), SenseBytes}), block.Sense);
  return result;
}

}  // namespace velmarond::device
