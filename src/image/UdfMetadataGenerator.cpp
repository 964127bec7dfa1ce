#include "image/UdfMetadataGenerator.h"

#include <algorithm>

#include "image/UdfFileEntries.h"
#include "image/UdfVolumeStructures.h"

namespace velmarond::udf {

UdfMetadataGenerator::UdfMetadataGenerator(const UdfMetadataLayout& layout, UdfGeneratorContext context)
    : Layout(layout), Context(context), Block(layout.MetadataStart) {}

std::uint32_t UdfMetadataGenerator::Lbn(std::uint32_t relativeBlock) const {
  return relativeBlock + Context.SessionOffset - PartitionStart;
}

std::size_t UdfMetadataGenerator::Produce(std::span<std::uint8_t> out) {
  std::size_t produced = 0;
  while (!Done() && (produced + 1) * SectorSize <= out.size()) {
    ProduceSector(out.subspan(produced * SectorSize).first<SectorSize>());
    ++produced;
    ++Block;
  }
  return produced;
}

void UdfMetadataGenerator::ProduceSector(std::span<std::uint8_t, SectorSize> sector) {
  std::fill(sector.begin(), sector.end(), 0);
  const MetadataItem& item = Layout.Items[ItemIndex];
  switch (item.Kind) {
    case MetadataItemKind::DirectoryEntry:
      WriteDirectoryEntry(sector, item.Directory, item.UniqueId);
      ++ItemIndex;
      break;
    case MetadataItemKind::FileEntry:
      WriteFileEntry(sector, item);
      ++ItemIndex;
      break;
    case MetadataItemKind::IdentifierArea:
      WriteAreaSector(sector, item.Directory);
      if (++AreaSector == Layout.Directories[item.Directory].AreaSectors) {
        AreaSector = 0;
        NextIdentifierIndex = -1;
        Carry.clear();
        ++ItemIndex;
      }
      break;
  }
}

void UdfMetadataGenerator::WriteDirectoryEntry(std::span<std::uint8_t, SectorSize> sector, std::uint32_t directory,
                                               std::uint64_t uniqueId) {
  const UdfDirectoryLayout& dir = Layout.Directories[directory];
  FileEntryFacts facts;
  facts.IsDirectory = true;
  facts.LinkCount = dir.LinkCount;
  facts.InformationLength = dir.InformationLength;
  facts.DataLbn = Lbn(dir.AreaBlock);
  facts.UniqueId = uniqueId;
  facts.Time = Context.Time;
  facts.Lbn = Lbn(Block);
  udf::WriteFileEntry(sector, facts);
}

void UdfMetadataGenerator::WriteFileEntry(std::span<std::uint8_t, SectorSize> sector, const MetadataItem& item) {
  const UdfTreeEntry& entry = Layout.Tree.Directories[item.Directory].Entries[item.Entry];
  FileEntryFacts facts;
  facts.InformationLength = entry.Size;
  if (entry.Size > 0) {
    facts.DataLbn = entry.Imported ? entry.Extent - PartitionStart : Lbn(entry.Extent + Context.FileDataStart);
  }
  facts.UniqueId = item.UniqueId;
  facts.Time = Context.Time;
  facts.Lbn = Lbn(Block);
  udf::WriteFileEntry(sector, facts);
}

std::vector<std::uint8_t> UdfMetadataGenerator::NextIdentifier(std::uint32_t directory, std::uint32_t tagLocation) {
  const UdfDirectoryLayout& dir = Layout.Directories[directory];
  if (NextIdentifierIndex < 0) {
    ++NextIdentifierIndex;
    // The root's parent entry points at the root itself.
    return MakeFileIdentifier(IdentifierKind::Parent, {}, Lbn(Layout.Directories[dir.Parent].EntryBlock), tagLocation);
  }
  const auto index = static_cast<std::size_t>(NextIdentifierIndex++);
  const UdfTreeEntry& entry = Layout.Tree.Directories[directory].Entries[index];
  const IdentifierKind kind = entry.IsDirectory() ? IdentifierKind::Directory : IdentifierKind::File;
  return MakeFileIdentifier(kind, dir.Identifiers[index], Lbn(Layout.EntryBlocks[directory][index]), tagLocation);
}

void UdfMetadataGenerator::WriteAreaSector(std::span<std::uint8_t, SectorSize> sector, std::uint32_t directory) {
  std::size_t used = std::min(Carry.size(), SectorSize);
  std::copy_n(Carry.begin(), used, sector.begin());
  Carry.erase(Carry.begin(), Carry.begin() + static_cast<std::ptrdiff_t>(used));
  const std::size_t entryCount = Layout.Tree.Directories[directory].Entries.size();
  while (used < SectorSize && NextIdentifierIndex < static_cast<std::int64_t>(entryCount)) {
    std::vector<std::uint8_t> fid = NextIdentifier(directory, Lbn(Block));
    const std::size_t fits = std::min(fid.size(), SectorSize - used);
    std::copy_n(fid.begin(), fits, sector.begin() + static_cast<std::ptrdiff_t>(used));
    used += fits;
    Carry.assign(fid.begin() + static_cast<std::ptrdiff_t>(fits), fid.end());
  }
}

}  // namespace velmarond::udf
