#pragma once
// What a virtual drive is: its identity, speed and buffer.

#include <cstdint>
#include <string>

namespace velmarond::vrec {

struct DriveDescription {
  std::string Vendor = "VIRTUAL";
  std::string Product = "VELMAROND VREC";
  std::string Revision = "1.00";
  std::uint32_t SpeedKBps = 0;      // write speed limit in kB/s; 0 = unlimited (no time passes)
  std::uint32_t BufferKiB = 2048;   // drive buffer
};

}  // namespace velmarond::vrec
