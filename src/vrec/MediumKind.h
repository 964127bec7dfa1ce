#pragma once
// The kinds of medium the recorder models, with what a drive knows about each: its profile, family,
// how it is recorded, its capacity and the gaps a new track or session leaves.

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmarond::vrec {

enum class MediumKind : std::uint8_t {
  CdR, CdRw, DvdR, DvdRw, DvdRwRestricted, DvdPlusR, DvdPlusRDl, DvdPlusRw, DvdRam, BdR, BdRe, HdDvdR,
  CdRom, DvdRom, BdRom,
};

enum class MediumFamily : std::uint8_t { Cd, Dvd, Bd, HdDvd };
enum class Recording : std::uint8_t { ReadOnly, Sequential, Overwritable };

struct MediumTraits {
  MediumKind Kind;
  std::string_view Name;       // as the command line spells it
  std::uint16_t Profile;       // MMC profile number
  MediumFamily Family;
  Recording Recorded;
  bool Erasable;
  std::uint32_t Capacity;      // user blocks of a blank disc
  std::uint32_t Blocking;      // write unit in blocks (ECC block, cluster)
  std::uint32_t TrackGap;      // blocks between a closed track and the next one in a session
  std::uint32_t FirstSessionGap;  // blocks from the first session's end to the next session's start
  std::uint32_t LaterSessionGap;  // the same for later sessions
};

const MediumTraits& TraitsOf(MediumKind kind);
std::optional<MediumKind> ParseMediumKind(std::string_view name);
std::string_view MediumKindName(MediumKind kind);
inline constexpr int MediumKindCount = 15;

}  // namespace velmarond::vrec
