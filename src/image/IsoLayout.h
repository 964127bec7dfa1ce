#pragma once
// PrepareImage: sorts the tree, gives every tree valid unique names and places every structure of the
// image (descriptors, path tables, directory extents, padding, file data).

#include <cstdint>
#include <string>

#include "device/Result.h"
#include "image/EngineState.h"

namespace velmarond::image {

// ISO 9660 extents hold at most 4 GiB - 2048 bytes (a whole number of sectors), so larger files are
// recorded as several consecutive extents (multi-extent records).
inline constexpr std::uint64_t MaxExtentBytes = 0xFFFFF800ULL;
inline constexpr std::uint32_t FirstFileDataSector = 150;
inline constexpr std::uint32_t VolumeSizeGranule = 32;

enum class TreeKind { Iso, Joliet };

// Computes the layout; returns file data start + file data sectors (+ the sectors that follow the
// data, such as a closing anchor), before rounding to 32 sectors.
Result<std::uint32_t> PrepareImage(TEngineState& state);

// Directory records an entry takes in a tree.
std::uint32_t RecordCount(const TFileEntry& entry);
// The identifier bytes of an entry in the ISO tree (ShortName, or the 1999 name when that is on).
const std::string& IsoIdentifier(const TFileEntry& entry, bool iso1999);
// The identifier of an entry in the Joliet tree (its UTF-16 units).
const std::u16string& JolietIdentifier(const TFileEntry& entry);
// The path table identifier of a directory other than the root.
const std::string& IsoPathIdentifier(const TDirEntry& directory, bool iso1999);

}  // namespace velmarond::image
