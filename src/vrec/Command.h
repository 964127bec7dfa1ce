#pragma once
// One command as the model sees it, and the reply it builds.

#include <cstdint>
#include <optional>
#include <span>

#include "device/ScsiPlatform.h"
#include "vrec/Sense.h"

namespace velmarond::vrec {

struct Command {
  std::span<const std::uint8_t> Cdb;
  device::DataDirection Direction = device::DataDirection::None;
  std::span<std::uint8_t> Data;
  std::uint32_t TimeoutMs = 120'000;

  std::uint8_t Opcode() const { return Cdb.empty() ? 0 : Cdb[0]; }
  std::uint8_t At(std::size_t i) const { return i < Cdb.size() ? Cdb[i] : 0; }
};

inline constexpr std::uint8_t StatusGood = 0x00;
inline constexpr std::uint8_t StatusCheckCondition = 0x02;
inline constexpr std::uint8_t StatusBusy = 0x08;

struct Reply {
  std::uint8_t Status = StatusGood;
  std::optional<SenseCode> Sense;
  std::optional<std::uint16_t> Progress;
  std::size_t Transferred = 0;  // bytes of Data moved
  bool TimedOut = false;

  static Reply Good(std::size_t transferred = 0) { return Reply{StatusGood, {}, {}, transferred, false}; }
  static Reply Check(SenseCode code, std::optional<std::uint16_t> progress = {}) {
    return Reply{StatusCheckCondition, code, progress, 0, false};
  }
};

// Copies a built reply into the host's buffer, cut to the allocation length and the buffer.
inline Reply DataIn(const Command& command, std::span<const std::uint8_t> reply, std::size_t allocation) {
  std::size_t count = reply.size();
  if (allocation < count) count = allocation;
  if (command.Data.size() < count) count = command.Data.size();
  for (std::size_t i = 0; i < count; ++i) command.Data[i] = reply[i];
  return Reply::Good(count);
}

}  // namespace velmarond::vrec
