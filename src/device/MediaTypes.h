#pragma once
// Media type numbers from the drive's current profile, in the numbering of each device layer,
// with their display names.

#include <cstdint>
#include <string_view>

namespace velmarond::device {

// TSCSIDevice component numbering (0..15).
std::uint8_t ComponentMediaTypeFromProfile(std::uint16_t profile);
std::string_view ComponentMediaTypeName(std::uint8_t mediaType);

// Data engine numbering (0..22).
namespace EngineMedia {
inline constexpr std::uint8_t Unknown = 0, CdRom = 1, CdR = 2, CdRw = 3, DvdRom = 4, DvdR = 5, DvdRam = 6,
                              DvdRwRestricted = 8, DvdRwSequential = 9, DvdPlusRw = 10, DvdPlusR = 11,
                              DvdPlusRDl = 12, BdRom = 13, BdRSequential = 14, BdRRandom = 15, BdRe = 16,
                              HdDvdRom = 17, HdDvdR = 18, HdDvdRam = 19, DdCdRom = 20, DdCdR = 21, DdCdRw = 22;
}
std::uint8_t EngineMediaTypeFromProfile(std::uint16_t profile);
// The names users see ("CD R", "DVD + RW", "BD RE", ...); "UNKNOWN" outside the table.
std::string_view EngineMediaTypeName(std::uint8_t mediaType);

}  // namespace velmarond::device
