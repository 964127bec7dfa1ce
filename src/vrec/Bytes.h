#pragma once
// Big-endian field access for CDBs and replies, and CD disc time (MSF) conversion.

#include <cstdint>
#include <span>

namespace velmarond::vrec {

inline std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
inline std::uint32_t Get24(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t(b[at]) << 16 | std::uint32_t(b[at + 1]) << 8 | b[at + 2];
}
inline std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 | b[at + 3];
}
inline void Put16(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v >> 8);
  b[at + 1] = std::uint8_t(v);
}
inline void Put24(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  b[at] = std::uint8_t(v >> 16);
  Put16(b, at + 1, v);
}
inline void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v >> 16);
  Put16(b, at + 2, v);
}

struct Msf {
  std::uint8_t Minute = 0, Second = 0, Frame = 0;
};

// LBA 0 is 00:02:00; lead-in addresses (negative beyond -150) wrap to minutes 90 and above.
inline Msf LbaToMsf(std::int64_t lba) {
  std::int64_t position = lba + 150;
  if (position < 0) position += 450'000;
  return Msf{std::uint8_t(position / 4500), std::uint8_t(position / 75 % 60), std::uint8_t(position % 75)};
}
inline std::int64_t MsfToLba(Msf msf) {
  std::int64_t position = (msf.Minute * 60 + msf.Second) * 75 + msf.Frame;
  if (msf.Minute >= 90) position -= 450'000;
  return position - 150;
}

}  // namespace velmarond::vrec
