#include "image/UdfVolumeStructures.h"

#include <cassert>
#include <cstring>
#include <string_view>

#include "image/UdfEntities.h"
#include "image/UdfIdentifiers.h"
#include "image/UdfTag.h"

namespace velmarond::udf {
namespace {

constexpr std::uint32_t FileSetExtentBytes = 2 * SectorSize;
constexpr std::uint32_t IntegrityExtentBytes = 4 * SectorSize;
constexpr std::uint16_t InterchangeLevelVolume = 2;
constexpr std::uint16_t MaxInterchangeLevelVolume = 3;
constexpr std::uint16_t InterchangeLevelFileSet = 3;
constexpr std::uint8_t LogicalVolumeDomainFlags = 0x03;  // hard and soft write protected
constexpr std::uint32_t IntegrityClose = 1;
constexpr std::uint16_t PartitionAllocated = 1;
constexpr std::uint32_t AccessReadOnly = 1;

template <typename Descriptor>
void Place(std::span<std::uint8_t> sector, Descriptor& descriptor, TagId id, std::uint32_t location) {
  assert(sector.size() >= sizeof descriptor);
  std::memcpy(sector.data(), &descriptor, sizeof descriptor);
  FinishTag(sector.first(sizeof descriptor), id, location);
}

std::span<std::uint8_t> SectorAt(std::span<std::uint8_t> area, std::uint32_t index) {
  return area.subspan(index * SectorSize, SectorSize);
}

std::uint32_t Absolute(const UdfVolumeFacts& facts, std::uint32_t sector) { return facts.SessionOffset + sector; }

void WriteRecognitionSequence(std::span<std::uint8_t> area) {
  constexpr std::string_view identifiers[] = {"BEA01", "NSR02", "TEA01"};
  for (std::uint32_t i = 0; i < 3; ++i) {
    auto sector = SectorAt(area, i);
    sector[0] = 0;
    std::memcpy(sector.data() + 1, identifiers[i].data(), identifiers[i].size());
    sector[6] = 1;
  }
}

void WritePrimaryVolume(std::span<std::uint8_t> sector, const UdfVolumeFacts& facts, std::uint32_t location) {
  PrimaryVolumeDescriptor pvd{};
  pvd.VolumeDescriptorSequenceNumber.Set(1);
  WriteDstring(pvd.VolumeIdentifier, facts.VolumeIdentifier);
  pvd.VolumeSequenceNumber.Set(1);
  pvd.MaximumVolumeSequenceNumber.Set(1);
  pvd.InterchangeLevel.Set(InterchangeLevelVolume);
  pvd.MaximumInterchangeLevel.Set(MaxInterchangeLevelVolume);
  pvd.CharacterSetList.Set(1);
  pvd.MaximumCharacterSetList.Set(1);
  WriteDstring(pvd.VolumeSetIdentifier, u"0CFE90CB");
  pvd.DescriptorCharacterSet = OstaCharSpec();
  pvd.ExplanatoryCharacterSet = OstaCharSpec();
  pvd.RecordingDateAndTime = facts.CreationTime;
  pvd.ImplementationIdentifier = ImplementationId();
  Place(sector, pvd, TagId::PrimaryVolume, location);
}

void WriteLogicalVolume(std::span<std::uint8_t> sector, const UdfVolumeFacts& facts, std::uint32_t location) {
  LogicalVolumeDescriptor lvd{};
  lvd.VolumeDescriptorSequenceNumber.Set(2);
  lvd.DescriptorCharacterSet = OstaCharSpec();
  WriteDstring(lvd.LogicalVolumeIdentifier, facts.VolumeIdentifier);
  lvd.LogicalBlockSize.Set(SectorSize);
  lvd.DomainIdentifier = DomainId(LogicalVolumeDomainFlags);
  lvd.LogicalVolumeContentsUse.ExtentLength.Set(FileSetExtentBytes);
  lvd.LogicalVolumeContentsUse.ExtentLocation.LogicalBlockNumber.Set(Absolute(facts, FileSetSector) - PartitionStart);
  lvd.MapTableLength.Set(sizeof(Type1PartitionMap));
  lvd.NumberOfPartitionMaps.Set(1);
  lvd.ImplementationIdentifier = ImplementationId();
  lvd.IntegritySequenceExtent.Length.Set(IntegrityExtentBytes);
  lvd.IntegritySequenceExtent.Location.Set(Absolute(facts, IntegritySector));
  lvd.PartitionMap.VolumeSequenceNumber.Set(1);
  lvd.PartitionMap.PartitionNumber.Set(0);
  Place(sector, lvd, TagId::LogicalVolume, location);
}

void WritePartition(std::span<std::uint8_t> sector, const UdfVolumeFacts& facts, std::uint32_t location) {
  PartitionDescriptor pd{};
  pd.VolumeDescriptorSequenceNumber.Set(3);
  pd.PartitionFlags.Set(PartitionAllocated);
  pd.PartitionContents = MakeEntityId("+NSR02", {UdfRevision & 0xFF, UdfRevision >> 8, 6});
  pd.AccessType.Set(AccessReadOnly);
  pd.PartitionStartingLocation.Set(PartitionStart);
  pd.PartitionLength.Set(facts.PartitionLength());
  pd.ImplementationIdentifier = ImplementationId();
  Place(sector, pd, TagId::Partition, location);
}

void WriteUnallocatedSpace(std::span<std::uint8_t> sector, std::uint32_t location) {
  UnallocatedSpaceDescriptor usd{};
  usd.VolumeDescriptorSequenceNumber.Set(4);
  Place(sector, usd, TagId::UnallocatedSpace, location);
}

void WriteImplementationUse(std::span<std::uint8_t> sector, const UdfVolumeFacts& facts, std::uint32_t location) {
  ImplementationUseVolumeDescriptor iuvd{};
  iuvd.VolumeDescriptorSequenceNumber.Set(5);
  iuvd.ImplementationIdentifier = MakeEntityId("*UDF LV Info", {UdfRevision & 0xFF, UdfRevision >> 8, 6});
  iuvd.ImplementationUse.LviCharset = OstaCharSpec();
  WriteDstring(iuvd.ImplementationUse.LogicalVolumeIdentifier, facts.VolumeIdentifier);
  iuvd.ImplementationUse.ImplementationId = ImplementationId();
  Place(sector, iuvd, TagId::ImplementationUseVolume, location);
}

void WriteTerminating(std::span<std::uint8_t> sector, std::uint32_t location) {
  TerminatingDescriptor td{};
  Place(sector, td, TagId::Terminating, location);
}

// Six descriptors in consecutive sectors; the ten sectors after them stay zero.
void WriteSequence(std::span<std::uint8_t> area, const UdfVolumeFacts& facts, std::uint32_t firstSector) {
  const std::uint32_t first = Absolute(facts, firstSector);
  WritePrimaryVolume(SectorAt(area, 0), facts, first);
  WriteLogicalVolume(SectorAt(area, 1), facts, first + 1);
  WritePartition(SectorAt(area, 2), facts, first + 2);
  WriteUnallocatedSpace(SectorAt(area, 3), first + 3);
  WriteImplementationUse(SectorAt(area, 4), facts, first + 4);
  WriteTerminating(SectorAt(area, 5), first + 5);
}

void WriteIntegrity(std::span<std::uint8_t> area, const UdfVolumeFacts& facts) {
  LogicalVolumeIntegrityDescriptor lvid{};
  lvid.RecordingDateAndTime = facts.CreationTime;
  lvid.IntegrityType.Set(IntegrityClose);
  lvid.NextUniqueId.Set(facts.NextUniqueId);
  lvid.NumberOfPartitions.Set(1);
  lvid.LengthOfImplementationUse.Set(48);
  lvid.FreeSpaceTable.Set(0);
  lvid.SizeTable.Set(facts.PartitionLength());
  lvid.ImplementationUse.ImplementationId = ImplementationId();
  lvid.ImplementationUse.NumberOfFiles.Set(facts.Files);
  lvid.ImplementationUse.NumberOfDirectories.Set(facts.Directories);
  lvid.ImplementationUse.MinimumUdfReadRevision.Set(UdfRevision);
  lvid.ImplementationUse.MinimumUdfWriteRevision.Set(UdfRevision);
  lvid.ImplementationUse.MaximumUdfWriteRevision.Set(UdfRevision);
  Place(SectorAt(area, 0), lvid, TagId::LogicalVolumeIntegrity, Absolute(facts, IntegritySector));
  WriteTerminating(SectorAt(area, 1), Absolute(facts, IntegritySector + 1));
}

void WriteFileSet(std::span<std::uint8_t> area, const UdfVolumeFacts& facts) {
  FileSetDescriptor fsd{};
  fsd.RecordingDateAndTime = facts.CreationTime;
  fsd.InterchangeLevel.Set(InterchangeLevelFileSet);
  fsd.MaximumInterchangeLevel.Set(InterchangeLevelFileSet);
  fsd.CharacterSetList.Set(1);
  fsd.MaximumCharacterSetList.Set(1);
  fsd.LogicalVolumeIdentifierCharacterSet = OstaCharSpec();
  WriteDstring(fsd.LogicalVolumeIdentifier, facts.VolumeIdentifier);
  fsd.FileSetCharacterSet = OstaCharSpec();
  WriteDstring(fsd.FileSetIdentifier, facts.VolumeIdentifier);
  fsd.RootDirectoryIcb.ExtentLength.Set(SectorSize);
  fsd.RootDirectoryIcb.ExtentLocation.LogicalBlockNumber.Set(facts.RootEntryLbn);
  fsd.DomainIdentifier = DomainId(0);
  const std::uint32_t lbn = Absolute(facts, FileSetSector) - PartitionStart;
  Place(SectorAt(area, 0), fsd, TagId::FileSet, lbn);
  WriteTerminating(SectorAt(area, 1), lbn + 1);
}

}  // namespace

void WriteVolumeStructures(std::span<std::uint8_t> out, std::uint32_t recognitionStart, const UdfVolumeFacts& facts) {
  assert(recognitionStart + 3 <= MainSequenceSector);
  assert(out.size() == (FirstSectorAfterVolumeStructures - recognitionStart) * SectorSize);
  std::fill(out.begin(), out.end(), 0);
  auto at = [&](std::uint32_t sector) { return out.subspan((sector - recognitionStart) * SectorSize); };
  WriteRecognitionSequence(at(recognitionStart));
  WriteSequence(at(MainSequenceSector), facts, MainSequenceSector);
  WriteSequence(at(ReserveSequenceSector), facts, ReserveSequenceSector);
  WriteIntegrity(at(IntegritySector), facts);
  const Sector anchor = MakeAnchor(facts, AnchorSector);
  std::copy(anchor.begin(), anchor.end(), at(AnchorSector).begin());
  WriteFileSet(at(FileSetSector), facts);
}

Sector MakeAnchor(const UdfVolumeFacts& facts, std::uint32_t sector) {
  AnchorVolumeDescriptorPointer avdp{};
  avdp.MainVolumeDescriptorSequenceExtent.Length.Set(SequenceSectors * SectorSize);
  avdp.MainVolumeDescriptorSequenceExtent.Location.Set(Absolute(facts, MainSequenceSector));
  avdp.ReserveVolumeDescriptorSequenceExtent.Length.Set(SequenceSectors * SectorSize);
  avdp.ReserveVolumeDescriptorSequenceExtent.Location.Set(Absolute(facts, ReserveSequenceSector));
  Sector out{};
  Place(out, avdp, TagId::AnchorPointer, Absolute(facts, sector));
  return out;
}

}  // namespace velmarond::udf
