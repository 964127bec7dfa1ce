#include "image/UdfEntities.h"

#include <algorithm>

namespace velmarond::udf {
namespace {

constexpr std::uint8_t ImplementationOsClass = 6;
constexpr std::uint16_t UtcTypeAndZone = 0x1000;  // type 1 in the top nibble, offset 0

}  // namespace

EntityId MakeEntityId(std::string_view identifier, std::initializer_list<std::uint8_t> suffix) {
  EntityId id{};
  std::copy_n(identifier.begin(), std::min(identifier.size(), id.Identifier.size()), id.Identifier.begin());
  std::copy_n(suffix.begin(), std::min(suffix.size(), id.IdentifierSuffix.size()), id.IdentifierSuffix.begin());
  return id;
}

EntityId ImplementationId() { return MakeEntityId("*Vennastrope TorvaUDF", {ImplementationOsClass}); }

EntityId DomainId(std::uint8_t domainFlags) {
  return MakeEntityId("*OSTA UDF Compliant", {UdfRevision & 0xFF, UdfRevision >> 8, domainFlags});
}

CharSpec OstaCharSpec() {
  CharSpec spec{};
  constexpr std::string_view name = "OSTA Compressed Unicode";
  std::copy(name.begin(), name.end(), spec.CharacterSetInfo.begin());
  return spec;
}

Timestamp MakeUtcTimestamp(std::time_t utc) {
  std::tm parts{};
  gmtime_r(&utc, &parts);
  Timestamp stamp{};
  stamp.TypeAndTimezone.Set(UtcTypeAndZone);
  stamp.Year.Set(static_cast<std::uint16_t>(parts.tm_year + 1900));
  stamp.Month = static_cast<std::uint8_t>(parts.tm_mon + 1);
  stamp.Day = static_cast<std::uint8_t>(parts.tm_mday);
  stamp.Hour = static_cast<std::uint8_t>(parts.tm_hour);
  stamp.Minute = static_cast<std::uint8_t>(parts.tm_min);
  stamp.Second = static_cast<std::uint8_t>(std::min(parts.tm_sec, 59));
  return stamp;
}

}  // namespace velmarond::udf
