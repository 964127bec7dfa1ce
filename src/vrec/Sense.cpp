#include "vrec/Sense.h"

namespace velmarond::vrec {

std::array<std::uint8_t, FixedSenseLength> BuildFixedSense(SenseCode code, std::optional<std::uint16_t> progress) {
  std::array<std::uint8_t, FixedSenseLength> bytes{};
  bytes[0] = 0x70;
  bytes[2] = code.Key & 0x0F;
  bytes[7] = FixedSenseLength - 8;
  bytes[12] = code.Asc;
  bytes[13] = code.Ascq;
  if (progress) {
    bytes[15] = 0x80;  // SKSV: the progress indication is valid
    bytes[16] = std::uint8_t(*progress >> 8);
    bytes[17] = std::uint8_t(*progress);
  }
  return bytes;
}

}  // namespace velmarond::vrec
