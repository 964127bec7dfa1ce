#include "app/core/Crc32.h"

#include <array>

namespace velmarond::app {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto CrcTable = MakeCrcTable();

}  // namespace

std::uint32_t Crc32(QByteArrayView bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char byte : bytes) crc = CrcTable[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace velmarond::app
