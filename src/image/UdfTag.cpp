#include "image/UdfTag.h"

#include <array>
#include <cstring>

namespace velmarond::udf {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[byte] = crc;
  }
  return table;
}

constexpr auto CrcTable = MakeCrcTable();
constexpr std::size_t ChecksumByte = 4;

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>((crc << 8) ^ CrcTable[((crc >> 8) ^ byte) & 0xFF]);
  }
  return crc;
}

std::uint8_t TagChecksum(std::span<const std::uint8_t, sizeof(DescriptorTag)> tag) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    if (i != ChecksumByte) sum += tag[i];
  }
  return static_cast<std::uint8_t>(sum);
}

void FinishTag(std::span<std::uint8_t> descriptor, TagId id, std::uint32_t location) {
  DescriptorTag tag{};
  tag.TagIdentifier.Set(static_cast<std::uint16_t>(id));
  tag.DescriptorVersion.Set(2);
  tag.TagSerialNumber.Set(1);
  const auto body = descriptor.subspan(sizeof(DescriptorTag));
  tag.DescriptorCrc.Set(Crc16(body));
  tag.DescriptorCrcLength.Set(static_cast<std::uint16_t>(body.size()));
  tag.TagLocation.Set(location);
  std::memcpy(descriptor.data(), &tag, sizeof tag);
  descriptor[ChecksumByte] = TagChecksum(descriptor.first<sizeof(DescriptorTag)>());
}

}  // namespace velmarond::udf
