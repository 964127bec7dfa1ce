#pragma once
// The UDF bridge of a data image: a UDF 1.50 file system beside the ISO 9660 trees, sharing their file data.
// The layout calls Initialise, AllocateMetadata and Finish in that order; a write sets the session offset,
// then the header takes the volume structures, the producer streams the metadata area through a generator
// and puts the closing anchor into the last sector of the image.

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>

#include "device/Result.h"
#include "image/UdfAllocation.h"
#include "image/UdfMetadataGenerator.h"
#include "image/UdfTree.h"
#include "image/UdfVolumeStructures.h"

namespace velmarond::udf {

class UdfBridge {
 public:
  // Reserves sectors `recognitionStart` (the sector after the ISO terminator) up to 258; the ISO layout
  // continues at FirstSectorAfterVolumeStructures. `now` becomes the creation time of every UDF structure.
  void Initialise(std::uint32_t recognitionStart, std::u16string volumeIdentifier, std::time_t now);

  // Lays the metadata area out from `metadataStart`; returns its sector count.
  Result<std::uint32_t> AllocateMetadata(UdfTree tree, std::uint32_t metadataStart);

  // `fileDataSectors` follow the metadata at `fileDataStart`; the closing anchor comes after them.
  void Finish(std::uint32_t fileDataStart, std::uint32_t fileDataSectors);

  std::uint32_t RecognitionStart() const { return RecognitionStart_; }
  std::uint32_t MetadataStart() const { return Layout.MetadataStart; }
  std::uint32_t MetadataSectors() const { return Layout.MetadataSectors; }
  std::uint32_t VolumeSize() const { return Facts.VolumeSize; }
  std::uint32_t LastSector() const { return Facts.VolumeSize - 1; }
  std::uint32_t Files() const { return Layout.FileCount; }
  std::uint32_t Directories() const { return Layout.DirectoryCount; }
  const UdfMetadataLayout& MetadataLayout() const { return Layout; }
  // True when the sectors before the closing anchor end on a 32-sector boundary, so the anchor sits alone
  // in one more block of 32 sectors.
  bool ClosingAnchorNeedsNewBlock() const { return AnchorNeedsNewBlock; }

  // Bytes of sectors RecognitionStart() .. 258 of the header.
  std::size_t HeaderBytes() const { return (FirstSectorAfterVolumeStructures - RecognitionStart_) * SectorSize; }
  // `sessionOffset` is the track start of the session written (0 for ISO files); the layout does not
  // depend on it, only the block numbers recorded in the structures do.
  void WriteHeaderStructures(std::span<std::uint8_t> out, std::uint32_t sessionOffset) const;
  UdfMetadataGenerator MakeGenerator(std::uint32_t sessionOffset) const;
  Sector ClosingAnchor(std::uint32_t sessionOffset) const;

  // Volume size with the closing anchor, rounded up to whole blocks of 32 sectors.
  static std::uint32_t VolumeSizeWithAnchor(std::uint32_t sectorsBeforeAnchor);

 private:
  UdfVolumeFacts FactsAt(std::uint32_t sessionOffset) const;

  UdfVolumeFacts Facts;
  UdfMetadataLayout Layout;
  std::uint32_t RecognitionStart_ = 0;
  std::uint32_t FileDataStart = 0;
  bool AnchorNeedsNewBlock = false;
};

}  // namespace velmarond::udf
