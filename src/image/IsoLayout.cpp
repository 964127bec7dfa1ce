#include "image/IsoLayout.h"

#include <algorithm>
#include <deque>

#include "image/IsoNames.h"
#include "image/IsoStructs.h"

namespace velmarond::image {
namespace {

constexpr std::uint32_t DotRecordsBytes = 68;  // "." and "..", 34 bytes each
constexpr std::uint32_t FirstDescriptorSector = 16;

std::uint32_t RecordLength(std::size_t identifierLength) {
  return static_cast<std::uint32_t>(33 + identifierLength + (identifierLength % 2 == 0 ? 1 : 0));
}

std::size_t IdentifierLength(const TFileEntry& entry, TreeKind tree, bool iso1999) {
  return tree == TreeKind::Joliet ? 2 * JolietIdentifier(entry).size() : IsoIdentifier(entry, iso1999).size();
}

// Records never cross a sector boundary: a record that does not fit starts the next sector.
std::uint32_t DirectoryExtentBytes(const TDirEntry& directory, TreeKind tree, bool iso1999) {
  std::uint32_t sectors = 1;
  std::uint32_t offset = DotRecordsBytes;
  for (const TFileEntry* entry = directory.FirstChild; entry != nullptr; entry = entry->Next) {
    const std::uint32_t length = RecordLength(IdentifierLength(*entry, tree, iso1999));
    for (std::uint32_t i = RecordCount(*entry); i > 0; --i) {
      if (offset + length > SectorBytes) {
        ++sectors;
        offset = 0;
      }
      offset += length;
    }
  }
  return sectors * SectorBytes;
}

void SortEntries(TDirEntry& directory) {
  std::vector<TFileEntry*> children;
  children.reserve(directory.ChildCount);
  for (TFileEntry* entry = directory.FirstChild; entry != nullptr; entry = entry->Next) children.push_back(entry);
  // ISO names are upper case already, so a plain byte comparison ignores letter case as records need.
  std::stable_sort(children.begin(), children.end(),
                   [](const TFileEntry* a, const TFileEntry* b) { return a->ShortName < b->ShortName; });
  TFileEntry* previous = nullptr;
  for (TFileEntry* entry : children) {
    (previous == nullptr ? directory.FirstChild : previous->Next) = entry;
    previous = entry;
  }
  if (previous != nullptr) previous->Next = nullptr;
  directory.LastChild = previous;
}

// Path table order: by parent number, then by name. Breadth first over the name-sorted
// subdirectories gives exactly that order in one pass.
void NumberDirectories(TFileTable& table) {
  std::vector<TDirEntry*>& order = table.DirsInPathTableOrder();
  order.clear();
  order.push_back(&table.Root());
  table.Root().PathTableNumber = 1;
  for (std::size_t next = 0; next < order.size(); ++next) {
    TDirEntry* parent = order[next];
    const std::size_t first = order.size();
    for (TFileEntry* entry = parent->FirstChild; entry != nullptr; entry = entry->Next) {
      if (entry->IsDirectory()) order.push_back(entry->Directory);
    }
    std::sort(order.begin() + static_cast<std::ptrdiff_t>(first), order.end(),
              [](const TDirEntry* a, const TDirEntry* b) { return a->LongName < b->LongName; });
    for (std::size_t i = first; i < order.size(); ++i) order[i]->PathTableNumber = static_cast<std::uint16_t>(i + 1);
  }
}

std::uint32_t PathTableBytes(TFileTable& table, TreeKind tree, bool iso1999) {
  std::uint32_t bytes = 10;  // the root's record
  for (const TDirEntry* directory : table.DirsInPathTableOrder()) {
    if (directory->IsRoot()) continue;
    const std::size_t length =
        tree == TreeKind::Joliet ? 2 * JolietIdentifier(*directory->Entry).size() : IsoPathIdentifier(*directory, iso1999).size();
    bytes += static_cast<std::uint32_t>(8 + length + (length % 2));
  }
  return bytes;
}

std::uint32_t LayOutDirectories(TFileTable& table, TreeKind tree, bool iso1999) {
  std::uint32_t sectors = 0;
  for (TDirEntry* directory : table.DirsInCreationOrder()) {
    const std::uint32_t bytes = DirectoryExtentBytes(*directory, tree, iso1999);
    (tree == TreeKind::Joliet ? directory->JolietOffset : directory->IsoOffset) = sectors;
    (tree == TreeKind::Joliet ? directory->JolietSize : directory->IsoSize) = bytes;
    sectors += bytes / SectorBytes;
  }
  return sectors;
}

Result<std::uint32_t> LayOutFileData(TFileTable& table) {
  std::uint64_t sectors = 0;
  for (TFileEntry* entry : table.FilesInOrder()) {
    if (entry->IsDirectory() || entry->Imported) continue;
    if (entry->Size == 0) {
      entry->Extent = 0;
      continue;
    }
    entry->Extent = static_cast<std::uint32_t>(sectors);
    sectors += SectorCount(entry->Size);
    if (sectors > 0xFFFFFFFFULL - 0x10000) return MakeError("the compilation is larger than an ISO 9660 volume can hold");
  }
  return static_cast<std::uint32_t>(sectors);
}

void PlaceTables(TEngineState& state, std::uint32_t& cursor) {
  TLayout& layout = state.Layout;
  const bool iso1999 = state.Options.Iso1999;
  layout.IsoPathTableBytes = PathTableBytes(state.Table, TreeKind::Iso, iso1999);
  const auto isoTableSectors = static_cast<std::uint32_t>(SectorCount(layout.IsoPathTableBytes));
  layout.IsoLPathTable = cursor;
  layout.IsoMPathTable = cursor + isoTableSectors;
  cursor += 2 * isoTableSectors;
  if (state.Options.Joliet) {
    layout.JolietPathTableBytes = PathTableBytes(state.Table, TreeKind::Joliet, iso1999);
    const auto jolietTableSectors = static_cast<std::uint32_t>(SectorCount(layout.JolietPathTableBytes));
    layout.JolietLPathTable = cursor;
    layout.JolietMPathTable = cursor + jolietTableSectors;
    cursor += 2 * jolietTableSectors;
  }
  layout.IsoRootSector = cursor;
  layout.IsoDirectorySectors = LayOutDirectories(state.Table, TreeKind::Iso, iso1999);
  cursor += layout.IsoDirectorySectors;
  if (state.Options.Joliet) {
    layout.JolietRootSector = cursor;
    layout.JolietDirectorySectors = LayOutDirectories(state.Table, TreeKind::Joliet, iso1999);
    cursor += layout.JolietDirectorySectors;
  }
}

std::vector<IImageExtension*> EnabledExtensions(const TEngineState& state) {
  std::vector<IImageExtension*> enabled;
  for (IImageExtension* extension : state.Extensions) {
    if (extension->Enabled(state)) enabled.push_back(extension);
  }
  return enabled;
}

}  // namespace

std::uint32_t RecordCount(const TFileEntry& entry) {
  if (entry.IsDirectory() || entry.Size <= MaxExtentBytes) return 1;
  return static_cast<std::uint32_t>((entry.Size + MaxExtentBytes - 1) / MaxExtentBytes);
}

const std::string& IsoIdentifier(const TFileEntry& entry, bool iso1999) {
  return iso1999 ? entry.Iso1999Name : entry.ShortName;
}

const std::u16string& JolietIdentifier(const TFileEntry& entry) {
  return entry.JolietName.empty() ? entry.LongName : entry.JolietName;
}

const std::string& IsoPathIdentifier(const TDirEntry& directory, bool iso1999) {
  return IsoIdentifier(*directory.Entry, iso1999);
}

Result<std::uint32_t> PrepareImage(TEngineState& state) {
  state.Status = TEngineStatus::ComputingLayout;
  struct StatusReset {
    TEngineState& State;
    ~StatusReset() { State.Status = TEngineStatus::Idle; }
  } reset{state};

  const std::vector<IImageExtension*> extensions = EnabledExtensions(state);
  if (state.Options.UdfBridge && extensions.empty())
    return MakeError("this build cannot write the UDF bridge; turn it off");

  TFileTable& table = state.Table;
  table.Prepared = false;
  for (TDirEntry* directory : table.DirsInCreationOrder()) {
    AssignTreeNames(*directory, state.Options.Iso1999);
    SortEntries(*directory);
  }
  NumberDirectories(table);

  state.Layout = TLayout{};
  std::uint32_t cursor = FirstDescriptorSector + 1;  // the primary descriptor
  for (IImageExtension* extension : extensions) cursor += extension->DescriptorsAfterPrimary(state);
  if (state.Options.Iso1999) ++cursor;
  if (state.Options.Joliet) ++cursor;
  ++cursor;  // terminator
  for (IImageExtension* extension : extensions) extension->ReserveAfterTerminator(state, cursor);
  PlaceTables(state, cursor);
  for (IImageExtension* extension : extensions) extension->ReserveAfterDirectories(state, cursor);

  TLayout& placed = state.Layout;
  placed.PaddingSectors = cursor < FirstFileDataSector ? FirstFileDataSector - cursor : 0;
  cursor += placed.PaddingSectors;
  placed.HeaderSectors = cursor;

  auto dataSectors = LayOutFileData(table);
  if (!dataSectors) return dataSectors.GetError();
  placed.FileDataSectors = *dataSectors;
  for (IImageExtension* extension : extensions) extension->ReserveBeforeFileData(state, cursor);
  placed.FileDataStart = cursor;

  std::uint64_t size = std::uint64_t{cursor} + placed.FileDataSectors;
  for (IImageExtension* extension : extensions) size += extension->SectorsAfterFileData(state);
  const std::uint64_t rounded = (size + VolumeSizeGranule - 1) / VolumeSizeGranule * VolumeSizeGranule;
  if (rounded > 0xFFFFFFFFULL) return MakeError("the compilation is larger than an ISO 9660 volume can hold");
  placed.UnroundedSize = static_cast<std::uint32_t>(size);
  placed.VolumeSize = static_cast<std::uint32_t>(rounded);
  for (IImageExtension* extension : extensions) extension->FinishLayout(state);

  table.Prepared = true;
  return placed.UnroundedSize;
}

}  // namespace velmarond::image
