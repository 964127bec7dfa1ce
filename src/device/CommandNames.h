#pragma once
// Names of the SCSI/MMC opcodes for the command traces of both device layers, padded to 22
// characters.

#include <cstdint>
#include <string>

namespace velmarond::device {

inline constexpr std::size_t CommandNameWidth = 22;

// The TSCSIDevice component's table: every opcode without a name shows as two upper-case hex
// digits. It has no slot for FFh, which shows as an empty name.
std::string ComponentCommandName(std::uint8_t opcode);

// The data engine's table: opcodes without a name are empty.
std::string EngineCommandName(std::uint8_t opcode);

}  // namespace velmarond::device
