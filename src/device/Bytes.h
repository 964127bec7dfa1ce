#pragma once
// Byte-order helpers for CDBs and drive replies: MMC fields are big-endian, ISO 9660 and the ASPI
// block's data length little-endian; the host keeps values in its own order.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace velmarond::device {

inline std::uint16_t GetBe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

inline std::uint32_t GetBe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return (std::uint32_t{bytes[offset]} << 24) | (std::uint32_t{bytes[offset + 1]} << 16) |
         (std::uint32_t{bytes[offset + 2]} << 8) | std::uint32_t{bytes[offset + 3]};
}

inline std::uint32_t GetLe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return (std::uint32_t{bytes[offset + 3]} << 24) | (std::uint32_t{bytes[offset + 2]} << 16) |
         (std::uint32_t{bytes[offset + 1]} << 8) | std::uint32_t{bytes[offset]};
}

inline void PutBe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

inline void PutBe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value >> 24);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 16);
  bytes[offset + 2] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 3] = static_cast<std::uint8_t>(value);
}

// Two upper-case hex digits, the form every trace line uses.
inline std::string Hex2(std::uint8_t value) {
  static constexpr char digits[] = "0123456789ABCDEF";
  return {digits[value >> 4], digits[value & 0x0F]};
}

}  // namespace velmarond::device
