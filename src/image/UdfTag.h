#pragma once
// Descriptor tags: every UDF descriptor starts with one, and strict readers check both its checksum and the
// CRC of the bytes that follow it.

#include <cstdint>
#include <span>

#include "image/UdfStructures.h"

namespace velmarond::udf {

// CRC-16 with polynomial 1021h, initial value 0, no reflection (ECMA-167 3/7.2.6).
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Sum modulo 256 of tag bytes 0-3 and 5-15.
std::uint8_t TagChecksum(std::span<const std::uint8_t, sizeof(DescriptorTag)> tag);

// Fills the tag at the start of `descriptor` (version 2, serial number 1, CRC over everything after the tag,
// then the checksum). `location` is the sector or logical block the descriptor is recorded in.
void FinishTag(std::span<std::uint8_t> descriptor, TagId id, std::uint32_t location);

}  // namespace velmarond::udf
