// The drive's clock-driven state: buffer drain at the write speed and long operations.

#include <algorithm>

#include "vrec/RecorderState.h"

namespace velmarond::vrec {

std::uint32_t EffectiveWriteKBps(const RecorderState& state) {
  if (state.Drive.SpeedKBps == 0) return 0;
  if (state.SelectedWriteKBps == 0) return state.Drive.SpeedKBps;
  return std::min(state.Drive.SpeedKBps, state.SelectedWriteKBps);
}

void DrainBuffer(RecorderState& state) {
  const std::int64_t now = state.Time->NowMs();
  const std::uint32_t speed = EffectiveWriteKBps(state);
  if (speed == 0) {
    state.BufferFill = 0;
  } else {
    // kB/s is bytes per millisecond.
    const std::int64_t drained = std::max<std::int64_t>(0, now - state.BufferDrainedAtMs) * speed;
    state.BufferFill = std::max<std::int64_t>(0, state.BufferFill - drained);
  }
  state.BufferDrainedAtMs = now;
}

void StartLongOperation(RecorderState& state, SenseCode code, std::int64_t bytes) {
  const std::uint32_t speed = EffectiveWriteKBps(state);
  if (speed == 0 || bytes <= 0) {
    state.Busy.reset();
    return;
  }
  const std::int64_t now = state.Time->NowMs();
  state.Busy = LongOperation{code, now, now + std::max<std::int64_t>(1, bytes / speed)};
}

std::optional<LongOperation> RunningOperation(RecorderState& state) {
  if (state.Busy && state.Time->NowMs() >= state.Busy->EndMs) state.Busy.reset();
  return state.Busy;
}

std::array<std::uint8_t, WriteParametersPageLength> DefaultWriteParameters(const std::optional<Medium>& disc) {
  std::array<std::uint8_t, WriteParametersPageLength> page{};
  page[0] = 0x05;
  page[1] = 0x32;
  const bool cd = disc && disc->IsCd();
  const bool dashR = disc && (disc->Kind == MediumKind::DvdR || disc->Kind == MediumKind::DvdRw);
  page[2] = cd ? 0x01 : 0x00;      // CD: track-at-once; DVD-R/-RW: incremental
  page[3] = dashR ? 0xC5 : 0x04;   // track mode 4 (data), multi-session for incremental DVD-R
  page[4] = 0x08;                  // mode 1, 2048 bytes
  page[5] = dashR ? 16 : 0;        // link size
  if (dashR) page[13] = 16;        // packet size
  page[15] = 150;                  // audio pause length
  return page;
}

}  // namespace velmarond::vrec
