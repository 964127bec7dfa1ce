#pragma once
// On-disc layouts of the UDF bridge (ECMA-167 2nd edition, OSTA UDF 1.50 domain). Every field is a byte array
// wrapped in a little-endian helper, so the structs have alignment 1, no padding and the same bytes on any host.

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmarond::udf {

template <std::size_t N, typename T>
struct LittleEndian {
  std::array<std::uint8_t, N> Bytes{};

  void Set(T value) {
    for (std::size_t i = 0; i < N; ++i) Bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
  }
  T Get() const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < N; ++i) value |= static_cast<std::uint64_t>(Bytes[i]) << (8 * i);
    return static_cast<T>(value);
  }
};
using Le16 = LittleEndian<2, std::uint16_t>;
using Le32 = LittleEndian<4, std::uint32_t>;
using Le64 = LittleEndian<8, std::uint64_t>;

inline constexpr std::size_t SectorSize = 2048;

// ECMA-167 3/7.2 descriptor tag.
struct DescriptorTag {
  Le16 TagIdentifier;
  Le16 DescriptorVersion;
  std::uint8_t TagChecksum = 0;
  std::uint8_t Reserved = 0;
  Le16 TagSerialNumber;
  Le16 DescriptorCrc;
  Le16 DescriptorCrcLength;
  Le32 TagLocation;
};
static_assert(sizeof(DescriptorTag) == 16);

enum class TagId : std::uint16_t {
  PrimaryVolume = 1,
  AnchorPointer = 2,
  ImplementationUseVolume = 4,
  Partition = 5,
  LogicalVolume = 6,
  UnallocatedSpace = 7,
  Terminating = 8,
  LogicalVolumeIntegrity = 9,
  FileSet = 256,
  FileIdentifier = 257,
  FileEntry = 261,
};

// ECMA-167 1/7.1 entity identifier.
struct EntityId {
  std::uint8_t Flags = 0;
  std::array<char, 23> Identifier{};
  std::array<std::uint8_t, 8> IdentifierSuffix{};
};
static_assert(sizeof(EntityId) == 32);

// ECMA-167 1/7.2.1 character set specification.
struct CharSpec {
  std::uint8_t CharacterSetType = 0;
  std::array<char, 63> CharacterSetInfo{};
};
static_assert(sizeof(CharSpec) == 64);

// ECMA-167 1/7.3 timestamp.
struct Timestamp {
  Le16 TypeAndTimezone;
  Le16 Year;
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
  std::uint8_t Second = 0;
  std::uint8_t Centiseconds = 0;
  std::uint8_t HundredsOfMicroseconds = 0;
  std::uint8_t Microseconds = 0;
};
static_assert(sizeof(Timestamp) == 12);

// ECMA-167 3/7.1 extent descriptor (volume space).
struct ExtentAd {
  Le32 Length;
  Le32 Location;
};
static_assert(sizeof(ExtentAd) == 8);

// ECMA-167 4/7.1 logical block address.
struct LbAddr {
  Le32 LogicalBlockNumber;
  Le16 PartitionReferenceNumber;
};
static_assert(sizeof(LbAddr) == 6);

// ECMA-167 4/14.14.1 short allocation descriptor: 30-bit length, top two bits the extent type.
struct ShortAd {
  Le32 ExtentLength;
  Le32 ExtentPosition;
};
static_assert(sizeof(ShortAd) == 8);

// ECMA-167 4/14.14.2 long allocation descriptor.
struct LongAd {
  Le32 ExtentLength;
  LbAddr ExtentLocation;
  std::array<std::uint8_t, 6> ImplementationUse{};
};
static_assert(sizeof(LongAd) == 16);

// ECMA-167 3/10.1 primary volume descriptor.
struct PrimaryVolumeDescriptor {
  DescriptorTag Tag;
  Le32 VolumeDescriptorSequenceNumber;
  Le32 PrimaryVolumeDescriptorNumber;
  std::array<std::uint8_t, 32> VolumeIdentifier{};
  Le16 VolumeSequenceNumber;
  Le16 MaximumVolumeSequenceNumber;
  Le16 InterchangeLevel;
  Le16 MaximumInterchangeLevel;
  Le32 CharacterSetList;
  Le32 MaximumCharacterSetList;
  std::array<std::uint8_t, 128> VolumeSetIdentifier{};
  CharSpec DescriptorCharacterSet;
  CharSpec ExplanatoryCharacterSet;
  ExtentAd VolumeAbstract;
  ExtentAd VolumeCopyrightNotice;
  EntityId ApplicationIdentifier;
  Timestamp RecordingDateAndTime;
  EntityId ImplementationIdentifier;
  std::array<std::uint8_t, 64> ImplementationUse{};
  Le32 PredecessorVolumeDescriptorSequenceLocation;
  Le16 Flags;
  std::array<std::uint8_t, 22> Reserved{};
};
static_assert(sizeof(PrimaryVolumeDescriptor) == 512);

// ECMA-167 3/10.2 anchor volume descriptor pointer.
struct AnchorVolumeDescriptorPointer {
  DescriptorTag Tag;
  ExtentAd MainVolumeDescriptorSequenceExtent;
  ExtentAd ReserveVolumeDescriptorSequenceExtent;
  std::array<std::uint8_t, 480> Reserved{};
};
static_assert(sizeof(AnchorVolumeDescriptorPointer) == 512);

// ECMA-167 3/10.4 implementation use volume descriptor, with the UDF logical volume information inside.
struct LogicalVolumeInformation {
  CharSpec LviCharset;
  std::array<std::uint8_t, 128> LogicalVolumeIdentifier{};
  std::array<std::uint8_t, 36> LvInfo1{};
  std::array<std::uint8_t, 36> LvInfo2{};
  std::array<std::uint8_t, 36> LvInfo3{};
  EntityId ImplementationId;
  std::array<std::uint8_t, 128> ImplementationUse{};
};
static_assert(sizeof(LogicalVolumeInformation) == 460);

struct ImplementationUseVolumeDescriptor {
  DescriptorTag Tag;
  Le32 VolumeDescriptorSequenceNumber;
  EntityId ImplementationIdentifier;
  LogicalVolumeInformation ImplementationUse;
};
static_assert(sizeof(ImplementationUseVolumeDescriptor) == 512);

// ECMA-167 3/10.5 partition descriptor.
struct PartitionDescriptor {
  DescriptorTag Tag;
  Le32 VolumeDescriptorSequenceNumber;
  Le16 PartitionFlags;
  Le16 PartitionNumber;
  EntityId PartitionContents;
  std::array<std::uint8_t, 128> PartitionContentsUse{};
  Le32 AccessType;
  Le32 PartitionStartingLocation;
  Le32 PartitionLength;
  EntityId ImplementationIdentifier;
  std::array<std::uint8_t, 128> ImplementationUse{};
  std::array<std::uint8_t, 156> Reserved{};
};
static_assert(sizeof(PartitionDescriptor) == 512);

// ECMA-167 3/10.7.2 type 1 partition map.
struct Type1PartitionMap {
  std::uint8_t PartitionMapType = 1;
  std::uint8_t PartitionMapLength = 6;
  Le16 VolumeSequenceNumber;
  Le16 PartitionNumber;
};
static_assert(sizeof(Type1PartitionMap) == 6);

// ECMA-167 3/10.6 logical volume descriptor with its single partition map.
struct LogicalVolumeDescriptor {
  DescriptorTag Tag;
  Le32 VolumeDescriptorSequenceNumber;
  CharSpec DescriptorCharacterSet;
  std::array<std::uint8_t, 128> LogicalVolumeIdentifier{};
  Le32 LogicalBlockSize;
  EntityId DomainIdentifier;
  LongAd LogicalVolumeContentsUse;  // where the file set descriptor lies
  Le32 MapTableLength;
  Le32 NumberOfPartitionMaps;
  EntityId ImplementationIdentifier;
  std::array<std::uint8_t, 128> ImplementationUse{};
  ExtentAd IntegritySequenceExtent;
  Type1PartitionMap PartitionMap;
};
static_assert(sizeof(LogicalVolumeDescriptor) == 446);

// ECMA-167 3/10.8 unallocated space descriptor without descriptors.
struct UnallocatedSpaceDescriptor {
  DescriptorTag Tag;
  Le32 VolumeDescriptorSequenceNumber;
  Le32 NumberOfAllocationDescriptors;
};
static_assert(sizeof(UnallocatedSpaceDescriptor) == 24);

// ECMA-167 3/10.9 terminating descriptor.
struct TerminatingDescriptor {
  DescriptorTag Tag;
  std::array<std::uint8_t, 496> Reserved{};
};
static_assert(sizeof(TerminatingDescriptor) == 512);

// UDF 2.2.6.4 implementation use of the integrity descriptor.
struct IntegrityImplementationUse {
  EntityId ImplementationId;
  Le32 NumberOfFiles;
  Le32 NumberOfDirectories;
  Le16 MinimumUdfReadRevision;
  Le16 MinimumUdfWriteRevision;
  Le16 MaximumUdfWriteRevision;
};
static_assert(sizeof(IntegrityImplementationUse) == 46);

// ECMA-167 3/10.10 logical volume integrity descriptor for one partition.
struct LogicalVolumeIntegrityDescriptor {
  DescriptorTag Tag;
  Timestamp RecordingDateAndTime;
  Le32 IntegrityType;
  ExtentAd NextIntegrityExtent;
  Le64 NextUniqueId;  // the first 8 bytes of the logical volume contents use (UDF 3.2.1)
  std::array<std::uint8_t, 24> LogicalVolumeContentsUseRest{};
  Le32 NumberOfPartitions;
  Le32 LengthOfImplementationUse;
  Le32 FreeSpaceTable;
  Le32 SizeTable;
  IntegrityImplementationUse ImplementationUse;
  std::array<std::uint8_t, 2> ImplementationUsePadding{};  // implementation use length is 48
};
static_assert(sizeof(LogicalVolumeIntegrityDescriptor) == 136);

// ECMA-167 4/14.1 file set descriptor.
struct FileSetDescriptor {
  DescriptorTag Tag;
  Timestamp RecordingDateAndTime;
  Le16 InterchangeLevel;
  Le16 MaximumInterchangeLevel;
  Le32 CharacterSetList;
  Le32 MaximumCharacterSetList;
  Le32 FileSetNumber;
  Le32 FileSetDescriptorNumber;
  CharSpec LogicalVolumeIdentifierCharacterSet;
  std::array<std::uint8_t, 128> LogicalVolumeIdentifier{};
  CharSpec FileSetCharacterSet;
  std::array<std::uint8_t, 32> FileSetIdentifier{};
  std::array<std::uint8_t, 32> CopyrightFileIdentifier{};
  std::array<std::uint8_t, 32> AbstractFileIdentifier{};
  LongAd RootDirectoryIcb;
  EntityId DomainIdentifier;
  LongAd NextExtent;
  std::array<std::uint8_t, 48> Reserved{};
};
static_assert(sizeof(FileSetDescriptor) == 512);

// ECMA-167 4/14.6 ICB tag.
struct IcbTag {
  Le32 PriorRecordedNumberOfDirectEntries;
  Le16 StrategyType;
  std::array<std::uint8_t, 2> StrategyParameter{};
  Le16 MaximumNumberOfEntries;
  std::uint8_t Reserved = 0;
  std::uint8_t FileType = 0;
  LbAddr ParentIcbLocation;
  Le16 Flags;
};
static_assert(sizeof(IcbTag) == 20);

// ECMA-167 4/14.9 file entry, fixed part; the allocation descriptors follow it in the same block.
struct FileEntryHeader {
  DescriptorTag Tag;
  IcbTag Icb;
  Le32 Uid;
  Le32 Gid;
  Le32 Permissions;
  Le16 FileLinkCount;
  std::uint8_t RecordFormat = 0;
  std::uint8_t RecordDisplayAttributes = 0;
  Le32 RecordLength;
  Le64 InformationLength;
  Le64 LogicalBlocksRecorded;
  Timestamp AccessTime;
  Timestamp ModificationTime;
  Timestamp AttributeTime;
  Le32 Checkpoint;
  LongAd ExtendedAttributeIcb;
  EntityId ImplementationIdentifier;
  Le64 UniqueId;
  Le32 LengthOfExtendedAttributes;
  Le32 LengthOfAllocationDescriptors;
};
static_assert(sizeof(FileEntryHeader) == 176);

// ECMA-167 4/14.4 file identifier descriptor, fixed part; the identifier and padding follow it.
struct FileIdentifierHeader {
  DescriptorTag Tag;
  Le16 FileVersionNumber;
  std::uint8_t FileCharacteristics = 0;
  std::uint8_t LengthOfFileIdentifier = 0;
  LongAd Icb;
  Le16 LengthOfImplementationUse;
};
static_assert(sizeof(FileIdentifierHeader) == 38);

}  // namespace velmarond::udf
