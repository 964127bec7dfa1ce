#pragma once
// Values shared by many UDF descriptors: entity identifiers, the OSTA character set and timestamps.

#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <string_view>

#include "image/UdfStructures.h"

namespace velmarond::udf {

EntityId MakeEntityId(std::string_view identifier, std::initializer_list<std::uint8_t> suffix);

// The implementation identifier recorded by this system in every descriptor that carries one.
EntityId ImplementationId();
// "*OSTA UDF Compliant", UDF revision 1.50, with the given domain flags.
EntityId DomainId(std::uint8_t domainFlags);
// Character set type 0, "OSTA Compressed Unicode".
CharSpec OstaCharSpec();

inline constexpr std::uint16_t UdfRevision = 0x0150;

// A timestamp of type 1 (coordinated universal time, zone offset 0) with zero sub-second fields.
Timestamp MakeUtcTimestamp(std::time_t utc);

}  // namespace velmarond::udf
