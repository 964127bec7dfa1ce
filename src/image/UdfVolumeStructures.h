#pragma once
// The fixed UDF volume structures that the header carries: the recognition sequence, the main and reserve
// volume descriptor sequences, the integrity sequence, the anchors and the file set.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "image/UdfStructures.h"

namespace velmarond::udf {

// Sector numbers relative to the session start.
inline constexpr std::uint32_t MainSequenceSector = 32;
inline constexpr std::uint32_t ReserveSequenceSector = 48;
inline constexpr std::uint32_t SequenceSectors = 16;
inline constexpr std::uint32_t IntegritySector = 64;
inline constexpr std::uint32_t AnchorSector = 256;
inline constexpr std::uint32_t FileSetSector = 257;
inline constexpr std::uint32_t FirstSectorAfterVolumeStructures = 259;
// The partition starts at this absolute sector whatever the session start; logical block = absolute - 257.
inline constexpr std::uint32_t PartitionStart = 257;

struct UdfVolumeFacts {
  std::u16string VolumeIdentifier;
  Timestamp CreationTime;
  std::uint32_t SessionOffset = 0;
  std::uint32_t VolumeSize = 0;    // sectors of the session, closing anchor included
  std::uint32_t RootEntryLbn = 0;  // logical block of the root directory's file entry
  std::uint32_t Files = 0;
  std::uint32_t Directories = 1;  // the root included
  std::uint64_t NextUniqueId = 16;

  std::uint32_t PartitionLength() const { return SessionOffset + VolumeSize - 1 - PartitionStart; }
};

using Sector = std::array<std::uint8_t, SectorSize>;

// Writes every sector from `recognitionStart` up to and including the file set's terminating descriptor
// (sector 258) into `out`, which must hold exactly those sectors.
void WriteVolumeStructures(std::span<std::uint8_t> out, std::uint32_t recognitionStart, const UdfVolumeFacts& facts);

// The anchor volume descriptor pointer for the given sector of the session (256, or the last sector).
Sector MakeAnchor(const UdfVolumeFacts& facts, std::uint32_t sector);

}  // namespace velmarond::udf
