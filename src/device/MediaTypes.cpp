#include "device/MediaTypes.h"

#include <array>

namespace velmarond::device {

namespace {

struct ProfileCode {
  std::uint16_t Profile;
  std::uint8_t Code;
};

constexpr std::array ComponentProfiles = std::to_array<ProfileCode>({
    {0x0008, 1}, {0x0009, 2}, {0x000A, 3}, {0x0010, 4}, {0x0011, 5}, {0x0012, 6}, {0x0013, 8}, {0x0014, 9},
    {0x001A, 10}, {0x001B, 11}, {0x002B, 12}, {0x0020, 13}, {0x0021, 14}, {0x0022, 15},
});

constexpr std::array EngineProfiles = std::to_array<ProfileCode>({
    {0x0008, 1},  {0x0009, 2},  {0x000A, 3},  {0x0010, 4},  {0x0011, 5},  {0x0012, 6},  {0x0013, 8},
    {0x0014, 9},  {0x001A, 10}, {0x001B, 11}, {0x002B, 12}, {0x0040, 13}, {0x0041, 14}, {0x0042, 15},
    {0x0043, 16}, {0x0050, 17}, {0x0051, 18}, {0x0052, 19}, {0x0020, 20}, {0x0021, 21}, {0x0022, 22},
});

constexpr std::array<std::string_view, 16> ComponentNames = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW",    "DVD-ROM",  "DVD-R",  "DVD-RAM", "DVD-RW",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R",    "DVD+R DL", "DDCD-ROM", "DDCD-R", "DDCD-RW"};

// The display names run to code 19; the double-density CD codes 20..22 follow them in the same style.
constexpr std::array<std::string_view, 23> EngineNames = {
    "UNKNOWN",  "CD ROM",   "CD R",     "CD RW",   "DVD ROM",  "DVD - R",    "DVD RAM",  "DVD - RW",
    "DVD RWRO", "DVD RWSR", "DVD + RW", "DVD + R", "DVD + R DL", "BD ROM",   "BD R",     "BD RRR",
    "BD RE",    "HD DVD ROM", "HD DVD R", "HD DVD RAM", "DD CD ROM", "DD CD R", "DD CD RW"};

template <std::size_t N>
std::uint8_t Lookup(const std::array<ProfileCode, N>& table, std::uint16_t profile) {
  for (const auto& entry : table) {
    if (entry.Profile == profile) return entry.Code;
  }
  return 0;
}

}  // namespace

std::uint8_t ComponentMediaTypeFromProfile(std::uint16_t profile) { return Lookup(ComponentProfiles, profile); }

std::string_view ComponentMediaTypeName(std::uint8_t mediaType) {
  return mediaType < ComponentNames.size() ? ComponentNames[mediaType] : ComponentNames[0];
}

std::uint8_t EngineMediaTypeFromProfile(std::uint16_t profile) { return Lookup(EngineProfiles, profile); }

std::string_view EngineMediaTypeName(std::uint8_t mediaType) {
  return mediaType < EngineNames.size() ? EngineNames[mediaType] : EngineNames[0];
}

}  // namespace velmarond::device
