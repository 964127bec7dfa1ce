#pragma once
// File entries and file identifier descriptors of the UDF tree.
//
// A file entry takes exactly one block, so its allocation descriptors share that block with the 176-byte
// fixed part: (2048 - 176) / 8 = 234 short descriptors. Each describes at most 2^30 - 2048 bytes (a
// 30-bit length rounded down to whole blocks, since only the last extent may end inside a block), so one
// entry describes files up to about 234 GiB. That is more than the largest recordable disc holds, so no
// file that fits on a disc is refused, while the entry stays a single block that the layout allocates in
// advance.

#include <cstdint>
#include <vector>

#include "image/UdfIdentifiers.h"
#include "image/UdfStructures.h"

namespace velmarond::udf {

inline constexpr std::size_t MaxShortAdsPerEntry = (SectorSize - sizeof(FileEntryHeader)) / sizeof(ShortAd);
inline constexpr std::uint32_t MaxShortAdLength = (1u << 30) - SectorSize;
inline constexpr std::uint64_t MaxEntryInformationLength =
    std::uint64_t{MaxShortAdLength} * (MaxShortAdsPerEntry - 1) + ((1u << 30) - 1);

// The short allocation descriptors of one contiguous extent starting at logical block `firstLbn`; none for
// an empty extent.
std::vector<ShortAd> SplitIntoShortAds(std::uint64_t length, std::uint32_t firstLbn);

struct FileEntryFacts {
  bool IsDirectory = false;
  std::uint16_t LinkCount = 1;
  std::uint64_t InformationLength = 0;
  std::uint32_t DataLbn = 0;   // first logical block of the contents
  std::uint64_t UniqueId = 0;
  Timestamp Time;
  std::uint32_t Lbn = 0;       // the block the entry is recorded in
};

// One block; the information length must not exceed MaxEntryInformationLength.
void WriteFileEntry(std::span<std::uint8_t, SectorSize> block, const FileEntryFacts& facts);

enum class IdentifierKind : std::uint8_t { File = 0x00, Directory = 0x02, Parent = 0x0A };

// Bytes of a file identifier descriptor whose identifier is `identifier` (empty for the parent entry).
std::size_t FileIdentifierLength(std::size_t identifierBytes);

// The whole descriptor, padded to a multiple of 4 bytes. `tagLocation` is the logical block it starts in.
std::vector<std::uint8_t> MakeFileIdentifier(IdentifierKind kind, const EncodedName& identifier,
                                             std::uint32_t targetEntryLbn, std::uint32_t tagLocation);

}  // namespace velmarond::udf
