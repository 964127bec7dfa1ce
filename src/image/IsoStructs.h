#pragma once
// ECMA-119 on-disk structures, laid out byte for byte. Multi-byte numbers are stored through the
// endian helpers below so that a structure can be copied into a sector as it stands.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmarond::image {

inline constexpr std::uint32_t SectorBytes = 2048;

inline void PutLittle16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void PutBig16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}
inline void PutLittle32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void PutBig32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * (3 - i)));
}

#pragma pack(push, 1)

// ECMA-119 7.2.3: little-endian copy followed by the big-endian copy.
struct TBoth16 {
  std::uint8_t Bytes[4];
  void Set(std::uint16_t value) {
    PutLittle16(Bytes, value);
    PutBig16(Bytes + 2, value);
  }
};
// ECMA-119 7.3.3.
struct TBoth32 {
  std::uint8_t Bytes[8];
  void Set(std::uint32_t value) {
    PutLittle32(Bytes, value);
    PutBig32(Bytes + 4, value);
  }
};

// ECMA-119 9.1.5: recording date and time of a directory record.
struct TIsoRecordDate {
  std::uint8_t YearsSince1900;
  std::uint8_t Month;
  std::uint8_t Day;
  std::uint8_t Hour;
  std::uint8_t Minute;
  std::uint8_t Second;
  std::int8_t ZoneQuarterHours;  // offset from UTC in 15-minute units
};
static_assert(sizeof(TIsoRecordDate) == 7);

// ECMA-119 9.1: the fixed part of a directory record; the identifier follows it.
struct TIsoDirectoryRecord {
  std::uint8_t Length;
  std::uint8_t ExtendedAttributeLength;
  TBoth32 Extent;
  TBoth32 DataLength;
  TIsoRecordDate Recorded;
  std::uint8_t Flags;
  std::uint8_t FileUnitSize;
  std::uint8_t InterleaveGap;
  TBoth16 VolumeSequenceNumber;
  std::uint8_t IdentifierLength;
};
static_assert(sizeof(TIsoDirectoryRecord) == 33);

inline constexpr std::uint8_t RecordFlagHidden = 0x01;
inline constexpr std::uint8_t RecordFlagDirectory = 0x02;
inline constexpr std::uint8_t RecordFlagMultiExtent = 0x80;

// ECMA-119 9.4: the fixed part of a path table record; the identifier follows it.
struct TIsoPathTableRecord {
  std::uint8_t IdentifierLength;
  std::uint8_t ExtendedAttributeLength;
  std::uint8_t Extent[4];
  std::uint8_t ParentNumber[2];
};
static_assert(sizeof(TIsoPathTableRecord) == 8);

// ECMA-119 8.4 (primary) and 8.5 (supplementary and enhanced) volume descriptors share this layout.
struct TIsoVolumeDescriptor {
  std::uint8_t Type;
  char StandardIdentifier[5];
  std::uint8_t Version;
  std::uint8_t Flags;
  char SystemIdentifier[32];
  std::uint8_t VolumeIdentifier[32];
  std::uint8_t Unused1[8];
  TBoth32 VolumeSpaceSize;
  std::uint8_t EscapeSequences[32];
  TBoth16 VolumeSetSize;
  TBoth16 VolumeSequenceNumber;
  TBoth16 LogicalBlockSize;
  TBoth32 PathTableSize;
  std::uint8_t LPathTable[4];
  std::uint8_t OptionalLPathTable[4];
  std::uint8_t MPathTable[4];
  std::uint8_t OptionalMPathTable[4];
  std::uint8_t RootDirectoryRecord[34];
  char VolumeSetIdentifier[128];
  char PublisherIdentifier[128];
  char PreparerIdentifier[128];
  char ApplicationIdentifier[128];
  char CopyrightFileIdentifier[37];
  char AbstractFileIdentifier[37];
  char BibliographicFileIdentifier[37];
  std::uint8_t CreationDate[17];
  std::uint8_t ModificationDate[17];
  std::uint8_t ExpirationDate[17];
  std::uint8_t EffectiveDate[17];
  std::uint8_t FileStructureVersion;
  std::uint8_t Reserved1;
  std::uint8_t ApplicationUse[512];
  std::uint8_t Reserved2[653];
};
static_assert(sizeof(TIsoVolumeDescriptor) == SectorBytes);
static_assert(offsetof(TIsoVolumeDescriptor, VolumeSpaceSize) == 80);
static_assert(offsetof(TIsoVolumeDescriptor, EscapeSequences) == 88);
static_assert(offsetof(TIsoVolumeDescriptor, PathTableSize) == 132);
static_assert(offsetof(TIsoVolumeDescriptor, RootDirectoryRecord) == 156);
static_assert(offsetof(TIsoVolumeDescriptor, FileStructureVersion) == 881);

inline constexpr std::uint8_t DescriptorPrimary = 1;
inline constexpr std::uint8_t DescriptorSupplementary = 2;
inline constexpr std::uint8_t DescriptorTerminator = 0xFF;

#pragma pack(pop)

}  // namespace velmarond::image
