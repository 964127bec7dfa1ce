#include "RecorderHarness.h"

#include <cstdio>

namespace velmarond::vrec::test {

std::string Outcome::Sense() const {
  if (Result.ScsiStatus == 0 && !Result.TimedOut) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", Result.Sense[2] & 0x0F, Result.Sense[12], Result.Sense[13]);
  return text;
}

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}

Harness::Harness(std::optional<MediumKind> kind, DriveDescription drive) : Recorder(std::move(drive), &Time) {
  if (kind) {
    Recorder.State().Disc = MakeBlankMedium(*kind);
    ResetWriteParameters(Recorder.State());
  }
}

Outcome Harness::In(std::vector<std::uint8_t> cdb, std::size_t length) {
  Outcome outcome;
  outcome.Data.assign(length, 0);
  outcome.Result = Recorder.Execute(cdb, device::DataDirection::In, outcome.Data);
  outcome.Data.resize(length - outcome.Result.Residual);
  return outcome;
}

Outcome Harness::Out(std::vector<std::uint8_t> cdb, std::vector<std::uint8_t> data) {
  Outcome outcome;
  outcome.Result = Recorder.Execute(cdb, device::DataDirection::Out, data);
  return outcome;
}

Outcome Harness::None(std::vector<std::uint8_t> cdb) {
  Outcome outcome;
  outcome.Result = Recorder.Execute(cdb, device::DataDirection::None, {});
  return outcome;
}

Outcome Harness::Write(std::int64_t lba, std::uint16_t blocks, std::uint8_t fill, std::uint32_t blockBytes) {
  const auto a = std::uint32_t(lba);
  return Out({0x2A, 0, std::uint8_t(a >> 24), std::uint8_t(a >> 16), std::uint8_t(a >> 8), std::uint8_t(a), 0,
              std::uint8_t(blocks >> 8), std::uint8_t(blocks), 0},
             std::vector<std::uint8_t>(std::size_t(blocks) * blockBytes, fill));
}

std::vector<std::uint8_t> Harness::TrackInfo(std::uint32_t track) {
  return In({0x52, 0x01, std::uint8_t(track >> 24), std::uint8_t(track >> 16), std::uint8_t(track >> 8), std::uint8_t(track), 0, 0, 48, 0}, 48).Data;
}

std::vector<std::uint8_t> Harness::DiscInfo() { return In({0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34).Data; }

std::uint32_t Harness::NextWritable(std::uint32_t track) {
  const auto info = TrackInfo(track);
  return info.size() >= 16 ? Be32(info, 12) : 0xFFFFFFFF;
}

Outcome Harness::SetWriteParameters(std::uint8_t writeType, std::uint8_t multiSession, std::uint8_t dataBlockType,
                                    std::uint8_t trackMode) {
  std::vector<std::uint8_t> list(8 + 0x34, 0);
  list[8] = 0x05;
  list[9] = 0x32;
  list[10] = writeType;
  list[11] = std::uint8_t(multiSession << 6 | trackMode);
  list[12] = dataBlockType;
  list[23] = 150;
  return Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, std::uint8_t(list.size()), 0}, list);
}

Outcome Harness::Close(std::uint8_t function, std::uint16_t track, bool immediate) {
  return None({0x5B, std::uint8_t(immediate ? 1 : 0), function, 0, std::uint8_t(track >> 8), std::uint8_t(track), 0, 0, 0, 0});
}

}  // namespace velmarond::vrec::test
