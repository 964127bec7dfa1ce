#pragma once
// Runs raw commands against an in-memory recorder with a manual clock.

#include <cstdint>
#include <string>
#include <vector>

#include "vrec/VirtualRecorder.h"

namespace velmarond::vrec::test {

struct Outcome {
  device::PassThroughResult Result;
  std::vector<std::uint8_t> Data;
  std::string Sense() const;  // "K/AA/QQ", or "-" for GOOD
};

class Harness {
 public:
  explicit Harness(std::optional<MediumKind> kind = std::nullopt, DriveDescription drive = {});
  Outcome In(std::vector<std::uint8_t> cdb, std::size_t length);
  Outcome Out(std::vector<std::uint8_t> cdb, std::vector<std::uint8_t> data);
  Outcome None(std::vector<std::uint8_t> cdb);

  Outcome Write(std::int64_t lba, std::uint16_t blocks, std::uint8_t fill = 0xA5, std::uint32_t blockBytes = 2048);
  std::vector<std::uint8_t> TrackInfo(std::uint32_t track);  // READ TRACK INFORMATION by number
  std::vector<std::uint8_t> DiscInfo();
  std::uint32_t NextWritable(std::uint32_t track = 0xFF);
  Outcome SetWriteParameters(std::uint8_t writeType, std::uint8_t multiSession, std::uint8_t dataBlockType = 8,
                             std::uint8_t trackMode = 4);
  Outcome Close(std::uint8_t function, std::uint16_t track = 0, bool immediate = false);

  ManualClock Time;
  VirtualRecorder Recorder;
};

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at);

}  // namespace velmarond::vrec::test
