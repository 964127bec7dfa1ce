#pragma once
// Streams the UDF metadata area (file entries and directory contents) sector by sector in allocation order,
// so the producer never holds more than the sectors it asks for. A file identifier descriptor that does not
// fit the rest of a sector continues at the start of the next one.

#include <cstdint>
#include <span>
#include <vector>

#include "image/UdfAllocation.h"
#include "image/UdfStructures.h"

namespace velmarond::udf {

struct UdfGeneratorContext {
  std::uint32_t SessionOffset = 0;
  std::uint32_t FileDataStart = 0;  // relative to the session start
  Timestamp Time;
};

class UdfMetadataGenerator {
 public:
  UdfMetadataGenerator(const UdfMetadataLayout& layout, UdfGeneratorContext context);

  // Fills up to out.size() / 2048 whole sectors and returns how many it wrote; 0 once the area is complete.
  std::size_t Produce(std::span<std::uint8_t> out);
  bool Done() const { return ItemIndex >= Layout.Items.size(); }

 private:
  void ProduceSector(std::span<std::uint8_t, SectorSize> sector);
  void WriteDirectoryEntry(std::span<std::uint8_t, SectorSize> sector, std::uint32_t directory, std::uint64_t uniqueId);
  void WriteFileEntry(std::span<std::uint8_t, SectorSize> sector, const MetadataItem& item);
  void WriteAreaSector(std::span<std::uint8_t, SectorSize> sector, std::uint32_t directory);
  std::vector<std::uint8_t> NextIdentifier(std::uint32_t directory, std::uint32_t tagLocation);
  std::uint32_t Lbn(std::uint32_t relativeBlock) const;

  const UdfMetadataLayout& Layout;
  UdfGeneratorContext Context;
  std::size_t ItemIndex = 0;
  std::uint32_t Block;                  // relative block of the sector produced next
  std::uint32_t AreaSector = 0;         // sector index inside the current identifier area
  std::int64_t NextIdentifierIndex = -1;  // -1: the parent entry comes next
  std::vector<std::uint8_t> Carry;      // the rest of a descriptor split across a sector boundary
};

}  // namespace velmarond::udf
