#include "image/UdfExtension.h"

#include <ctime>
#include <unordered_map>

#include "image/EngineState.h"
#include "image/IsoHeader.h"

namespace velmarond::image {
namespace {

constexpr std::size_t SectorsPerChunk = 32;

}  // namespace

udf::UdfTree MakeUdfTree(const TFileTable& table) {
  const auto& dirs = table.DirsInCreationOrder();
  std::unordered_map<const TDirEntry*, std::uint32_t> indexOf;
  for (std::uint32_t i = 0; i < dirs.size(); ++i) indexOf[dirs[i]] = i;
  udf::UdfTree tree;
  tree.Directories.resize(dirs.size());
  for (std::uint32_t i = 0; i < dirs.size(); ++i) {
    auto& entries = tree.Directories[i].Entries;
    for (const TFileEntry* child = dirs[i]->FirstChild; child; child = child->Next) {
      udf::UdfTreeEntry entry;
      if (child->IsDirectory()) {
        entry.Name = child->Directory->LongName;
        entry.Directory = indexOf.at(child->Directory);
      } else {
        entry.Name = child->UdfName.empty() ? child->LongName : child->UdfName;
        entry.Size = child->Size;
        entry.Extent = child->Extent;
        entry.Imported = child->Imported;
      }
      entries.push_back(std::move(entry));
    }
  }
  return tree;
}

bool TUdfExtension::Enabled(const TEngineState& state) const { return state.Options.UdfBridge; }

void TUdfExtension::ReserveAfterTerminator(TEngineState& state, std::uint32_t& cursor) {
  Udf.Initialise(cursor, state.Options.VolumeIdWide, std::time(nullptr));
  AllocationError.reset();
  cursor = udf::FirstSectorAfterVolumeStructures;
}

void TUdfExtension::ReserveBeforeFileData(TEngineState& state, std::uint32_t& cursor) {
  auto sectors = Udf.AllocateMetadata(MakeUdfTree(state.Table), cursor);
  if (!sectors) {
    AllocationError = sectors.GetError();
    return;
  }
  cursor += *sectors;
  // Keep the per-entry UDF values in the table too, where the rest of the engine looks for them.
  const auto& layout = Udf.MetadataLayout();
  const auto& dirs = state.Table.DirsInCreationOrder();
  for (std::uint32_t d = 0; d < dirs.size(); ++d) {
    const auto& placed = layout.Directories[d];
    dirs[d]->UdfLinkCount = placed.LinkCount;
    dirs[d]->UdfInformationLength = placed.InformationLength;
    dirs[d]->UdfFileEntryBlock = placed.EntryBlock;
    dirs[d]->UdfDataBlock = placed.AreaBlock;
    std::uint32_t i = 0;
    for (TFileEntry* child = dirs[d]->FirstChild; child; child = child->Next) child->UdfEntryBlock = layout.EntryBlocks[d][i++];
  }
}

void TUdfExtension::FinishLayout(TEngineState& state) {
  Udf.Finish(state.Layout.FileDataStart, state.Layout.FileDataSectors);
}

void TUdfExtension::WriteAfterTerminator(const TEngineState& state, THeaderWriter& out) const {
  std::vector<std::uint8_t> area(Udf.HeaderBytes());
  Udf.WriteHeaderStructures(area, state.SessionStart);
  out.Append(area);
}

Result<void> TUdfExtension::StreamBeforeFileData(const TEngineState& state, ISectorSink& sink) {
  if (AllocationError) return *AllocationError;
  udf::UdfMetadataGenerator generator = Udf.MakeGenerator(state.SessionStart);
  std::vector<std::uint8_t> chunk(SectorsPerChunk * udf::SectorSize);
  while (const std::size_t sectors = generator.Produce(chunk)) {
    if (auto appended = sink.Append(std::span(chunk).first(sectors * udf::SectorSize)); !appended) return appended;
  }
  return {};
}

void TUdfExtension::FinishLastSector(const TEngineState& state, std::span<std::uint8_t> sector) const {
  const udf::Sector anchor = Udf.ClosingAnchor(state.SessionStart);
  std::copy(anchor.begin(), anchor.end(), sector.begin());
}

}  // namespace velmarond::image
