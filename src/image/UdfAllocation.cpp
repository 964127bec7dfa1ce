#include "image/UdfAllocation.h"

#include "image/TextCodec.h"
#include "image/UdfFileEntries.h"
#include "image/UdfVolumeStructures.h"

namespace velmarond::udf {
namespace {

constexpr std::uint64_t ParentEntryLength = 40;  // the parent descriptor: 38 bytes, no identifier, padded

std::uint32_t SectorsOf(std::uint64_t bytes) { return static_cast<std::uint32_t>((bytes + SectorSize - 1) / SectorSize); }

class AllocationWalk {
 public:
  AllocationWalk(UdfMetadataLayout& layout) : Layout(layout), Cursor(layout.MetadataStart) {}

  Result<void> EnterDirectory(std::uint32_t index, std::uint32_t parent) {
    if (auto measured = MeasureDirectory(index, parent); !measured) return measured;
    UdfDirectoryLayout& dir = Layout.Directories[index];
    dir.EntryBlock = Cursor++;
    AddItem({MetadataItemKind::DirectoryEntry, index});
    dir.AreaBlock = Cursor;
    Cursor += dir.AreaSectors;
    Layout.Items.push_back({MetadataItemKind::IdentifierArea, index});
    const auto& entries = Layout.Tree.Directories[index].Entries;
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
      if (entries[i].IsDirectory()) {
        if (auto entered = EnterDirectory(entries[i].Directory, index); !entered) return entered;
        Layout.EntryBlocks[index][i] = Layout.Directories[entries[i].Directory].EntryBlock;
      } else {
        Layout.EntryBlocks[index][i] = Cursor++;
        AddItem({MetadataItemKind::FileEntry, index, i});
      }
    }
    return {};
  }

  std::uint32_t End() const { return Cursor; }

 private:
  Result<void> MeasureDirectory(std::uint32_t index, std::uint32_t parent) {
    const auto& entries = Layout.Tree.Directories[index].Entries;
    std::vector<std::u16string> names;
    names.reserve(entries.size());
    for (const auto& entry : entries) {
      if (auto checked = CheckEntry(entry); !checked) return checked;
      names.push_back(entry.Name);
    }
    UdfDirectoryLayout& dir = Layout.Directories[index];
    dir.Parent = parent;
    dir.Identifiers = MakeDirectoryIdentifiers(names);
    dir.InformationLength = ParentEntryLength;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      dir.InformationLength += FileIdentifierLength(dir.Identifiers[i].size());
      if (entries[i].IsDirectory()) {
        ++dir.LinkCount;
        ++Layout.DirectoryCount;
      } else {
        ++Layout.FileCount;
      }
    }
    dir.AreaSectors = SectorsOf(dir.InformationLength);
    Layout.EntryBlocks[index].assign(entries.size(), 0);
    return {};
  }

  static Result<void> CheckEntry(const UdfTreeEntry& entry) {
    if (entry.Size > MaxEntryInformationLength) {
      return MakeError("\"" + image::Utf16ToUtf8(entry.Name) + "\" is too large for the UDF file system (at most " +
                       std::to_string(MaxEntryInformationLength) + " bytes per file).");
    }
    if (entry.Imported && entry.Size > 0 && entry.Extent < PartitionStart) {
      return MakeError("\"" + image::Utf16ToUtf8(entry.Name) +
                       "\" of the previous session lies before the UDF partition; write this session without "
                       "the UDF bridge.");
    }
    return {};
  }

  // Unique IDs follow generation order; the root's file entry carries 0.
  void AddItem(MetadataItem item) {
    const bool isRoot = item.Kind == MetadataItemKind::DirectoryEntry && item.Directory == 0;
    item.UniqueId = isRoot ? 0 : Layout.NextUniqueId++;
    Layout.Items.push_back(item);
  }

  UdfMetadataLayout& Layout;
  std::uint32_t Cursor;
};

}  // namespace

Result<UdfMetadataLayout> AllocateMetadata(UdfTree tree, std::uint32_t metadataStart) {
  UdfMetadataLayout layout;
  layout.Tree = std::move(tree);
  layout.MetadataStart = metadataStart;
  layout.NextUniqueId = FirstUniqueId;
  layout.Directories.resize(layout.Tree.Directories.size());
  layout.EntryBlocks.resize(layout.Tree.Directories.size());
  AllocationWalk walk(layout);
  if (auto walked = walk.EnterDirectory(0, 0); !walked) return walked.GetError();
  layout.MetadataSectors = walk.End() - metadataStart;
  return layout;
}

}  // namespace velmarond::udf
