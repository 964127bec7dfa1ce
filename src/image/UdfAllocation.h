#pragma once
// The allocation walk: places, in pre-order, each directory's file entry and identifier area and each file's
// file entry in consecutive blocks of the metadata area, and fixes the order in which they are generated.

#include <cstdint>
#include <vector>

#include "device/Result.h"
#include "image/UdfIdentifiers.h"
#include "image/UdfTree.h"

namespace velmarond::udf {

struct UdfDirectoryLayout {
  std::uint32_t Parent = 0;
  std::uint16_t LinkCount = 1;
  std::uint64_t InformationLength = 0;
  std::uint32_t EntryBlock = 0;  // relative to the session start
  std::uint32_t AreaBlock = 0;
  std::uint32_t AreaSectors = 0;
  std::vector<EncodedName> Identifiers;  // one per entry, in list order
};

enum class MetadataItemKind : std::uint8_t { DirectoryEntry, IdentifierArea, FileEntry };

// One piece of the metadata area, in generation order; its blocks follow those of the item before it.
struct MetadataItem {
  MetadataItemKind Kind;
  std::uint32_t Directory;  // the directory itself, or the directory holding the file
  std::uint32_t Entry = 0;  // index of the file in that directory's list
  std::uint64_t UniqueId = 0;
};

struct UdfMetadataLayout {
  UdfTree Tree;
  std::vector<UdfDirectoryLayout> Directories;  // parallel to Tree.Directories
  std::vector<std::vector<std::uint32_t>> EntryBlocks;  // per directory, per entry: the entry's file entry block
  std::vector<MetadataItem> Items;
  std::uint32_t MetadataStart = 0;
  std::uint32_t MetadataSectors = 0;
  std::uint32_t FileCount = 0;
  std::uint32_t DirectoryCount = 1;  // the root included
  std::uint64_t NextUniqueId = 16;
};

inline constexpr std::uint64_t FirstUniqueId = 16;

// Fails when a file cannot be described by one file entry, or an imported file lies before the partition.
Result<UdfMetadataLayout> AllocateMetadata(UdfTree tree, std::uint32_t metadataStart);

}  // namespace velmarond::udf
