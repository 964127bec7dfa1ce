#pragma once
// The ASPI-style interface the TSCSIDevice component always speaks: either the built-in KTASPI32
// layer over the platform, or an external library loaded by path.

#include <cstdint>
#include <string>

namespace velmarond::device {

class AspiTransport {
 public:
  virtual ~AspiTransport() = default;
  virtual std::string Name() const = 0;
  virtual std::uint32_t GetSupportInfo() = 0;
  // block points at any block kind (its first byte is the command code); returns the block status.
  virtual std::uint32_t SendCommand(void* block) = 0;
  // Sends an execute block that must finish within timeoutMs; layers that run commands
  // synchronously bound the transport call by it, the others ignore it.
  virtual std::uint32_t SendCommand(void* block, std::uint32_t timeoutMs) {
    (void)timeoutMs;
    return SendCommand(block);
  }
};

}  // namespace velmarond::device
