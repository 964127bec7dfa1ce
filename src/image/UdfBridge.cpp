#include "image/UdfBridge.h"

#include "image/UdfEntities.h"

namespace velmarond::udf {
namespace {

constexpr std::uint32_t SectorsPerBlock = 32;

}  // namespace

void UdfBridge::Initialise(std::uint32_t recognitionStart, std::u16string volumeIdentifier, std::time_t now) {
  Facts = UdfVolumeFacts{};
  Facts.VolumeIdentifier = std::move(volumeIdentifier);
  Facts.CreationTime = MakeUtcTimestamp(now);
  Layout = UdfMetadataLayout{};
  RecognitionStart_ = recognitionStart;
  FileDataStart = 0;
  AnchorNeedsNewBlock = false;
}

Result<std::uint32_t> UdfBridge::AllocateMetadata(UdfTree tree, std::uint32_t metadataStart) {
  auto allocated = udf::AllocateMetadata(std::move(tree), metadataStart);
  if (!allocated) return allocated.GetError();
  Layout = std::move(allocated.Value());
  Facts.Files = Layout.FileCount;
  Facts.Directories = Layout.DirectoryCount;
  Facts.NextUniqueId = Layout.NextUniqueId;
  return Layout.MetadataSectors;
}

void UdfBridge::Finish(std::uint32_t fileDataStart, std::uint32_t fileDataSectors) {
  FileDataStart = fileDataStart;
  const std::uint32_t beforeAnchor = fileDataStart + fileDataSectors;
  AnchorNeedsNewBlock = beforeAnchor % SectorsPerBlock == 0;
  Facts.VolumeSize = VolumeSizeWithAnchor(beforeAnchor);
}

std::uint32_t UdfBridge::VolumeSizeWithAnchor(std::uint32_t sectorsBeforeAnchor) {
  return (sectorsBeforeAnchor + 1 + SectorsPerBlock - 1) / SectorsPerBlock * SectorsPerBlock;
}

UdfVolumeFacts UdfBridge::FactsAt(std::uint32_t sessionOffset) const {
  UdfVolumeFacts facts = Facts;
  facts.SessionOffset = sessionOffset;
  if (!Layout.Directories.empty()) facts.RootEntryLbn = Layout.Directories[0].EntryBlock + sessionOffset - PartitionStart;
  return facts;
}

void UdfBridge::WriteHeaderStructures(std::span<std::uint8_t> out, std::uint32_t sessionOffset) const {
  WriteVolumeStructures(out, RecognitionStart_, FactsAt(sessionOffset));
}

UdfMetadataGenerator UdfBridge::MakeGenerator(std::uint32_t sessionOffset) const {
  return UdfMetadataGenerator(Layout, {sessionOffset, FileDataStart, Facts.CreationTime});
}

Sector UdfBridge::ClosingAnchor(std::uint32_t sessionOffset) const {
  return MakeAnchor(FactsAt(sessionOffset), LastSector());
}

}  // namespace velmarond::udf
