#pragma once
// Everything one virtual recorder holds: the drive, the medium in it, and the drive's run-time state.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "vrec/Clock.h"
#include "vrec/DriveDescription.h"
#include "vrec/Faults.h"
#include "vrec/Medium.h"
#include "vrec/Sense.h"

namespace velmarond::vrec {

inline constexpr std::size_t WriteParametersPageLength = 0x32 + 2;

// A command accepted with Immed that keeps the drive busy: until EndMs the drive answers NOT READY
// with Code and the progress made so far.
struct LongOperation {
  SenseCode Code;
  std::int64_t StartMs = 0;
  std::int64_t EndMs = 0;
};

struct RecorderState {
  DriveDescription Drive;
  std::optional<Medium> Disc;
  bool TrayOpen = false;
  bool PreventRemoval = false;
  bool MediumEventPending = false;  // a new medium that GET EVENT STATUS NOTIFICATION has not told yet
  std::array<std::uint8_t, WriteParametersPageLength> WriteParameters{};
  std::uint32_t SelectedWriteKBps = 0;  // 0: the drive's maximum
  std::uint32_t SelectedReadKBps = 0;
  std::int64_t BufferFill = 0;          // bytes in the drive buffer not yet on the disc
  std::int64_t BufferDrainedAtMs = 0;
  std::optional<LongOperation> Busy;
  std::vector<FaultRule> Faults;
  std::vector<std::uint8_t> CueSheet;   // the accepted disc-at-once layout, until it is written
  std::int64_t DaoNext = 0;             // next block of a disc-at-once write
  std::int64_t DaoLeadOut = 0;          // where the disc-at-once program area ends
  bool SectorsDirty = false;
  Clock* Time = nullptr;
};

// The write speed in kB/s that paces writes, 0 when time does not pass.
std::uint32_t EffectiveWriteKBps(const RecorderState& state);
void DrainBuffer(RecorderState& state);
// Starts a long operation of `bytes` worth of recording at the effective speed (instant when unlimited).
void StartLongOperation(RecorderState& state, SenseCode code, std::int64_t bytes);
std::optional<LongOperation> RunningOperation(RecorderState& state);
std::array<std::uint8_t, WriteParametersPageLength> DefaultWriteParameters(const std::optional<Medium>& disc);
inline void ResetWriteParameters(RecorderState& state) { state.WriteParameters = DefaultWriteParameters(state.Disc); }

}  // namespace velmarond::vrec
