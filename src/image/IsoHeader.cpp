#include "image/IsoHeader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "image/IsoLayout.h"
#include "image/IsoStructs.h"
#include "image/TextCodec.h"

namespace velmarond::image {
namespace {

constexpr std::uint8_t Ucs2Level1Escape[3] = {0x25, 0x2F, 0x40};

std::uint8_t AsciiUpper(std::uint8_t byte) { return (byte >= 'a' && byte <= 'z') ? byte - 'a' + 'A' : byte; }

TIsoRecordDate RecordDate(const TDateTime& time, std::int8_t zone) {
  TIsoRecordDate date{};
  date.YearsSince1900 = static_cast<std::uint8_t>(std::clamp<int>(time.Year - 1900, 0, 255));
  date.Month = static_cast<std::uint8_t>(time.Month);
  date.Day = static_cast<std::uint8_t>(time.Day);
  date.Hour = static_cast<std::uint8_t>(time.Hour);
  date.Minute = static_cast<std::uint8_t>(time.Minute);
  date.Second = static_cast<std::uint8_t>(time.Second);
  date.ZoneQuarterHours = zone;
  return date;
}

std::vector<std::uint8_t> BigEndianUnits(std::u16string_view text) {
  std::vector<std::uint8_t> bytes(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) PutBig16(&bytes[2 * i], text[i]);
  return bytes;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct TRecord {
  std::uint32_t Extent = 0;
  std::uint32_t Length = 0;
  std::uint8_t Flags = 0;
  TIsoRecordDate Date{};
  std::span<const std::uint8_t> Identifier;
};

void FillRecord(std::uint8_t* at, const TRecord& record) {
  TIsoDirectoryRecord head{};
  const std::size_t idLength = record.Identifier.size();
  head.Length = static_cast<std::uint8_t>(33 + idLength + (idLength % 2 == 0 ? 1 : 0));
  head.Extent.Set(record.Extent);
  head.DataLength.Set(record.Length);
  head.Recorded = record.Date;
  head.Flags = record.Flags;
  head.VolumeSequenceNumber.Set(1);
  head.IdentifierLength = static_cast<std::uint8_t>(idLength);
  std::memcpy(at, &head, sizeof head);
  std::memcpy(at + sizeof head, record.Identifier.data(), idLength);
}

// Appends a record; one that would cross a sector boundary starts the next sector instead.
void AppendRecord(THeaderWriter& out, const TRecord& record) {
  const std::size_t idLength = record.Identifier.size();
  const std::size_t length = 33 + idLength + (idLength % 2 == 0 ? 1 : 0);
  if (out.Position() % SectorBytes + length > SectorBytes) out.PadToSector();
  std::uint8_t bytes[256] = {};
  FillRecord(bytes, record);
  out.Append({bytes, length});
}

struct TTree {
  TreeKind Kind;
  std::uint32_t RootSector;  // absolute
  bool Iso1999;
  std::uint32_t Offset(const TDirEntry& d) const { return Kind == TreeKind::Joliet ? d.JolietOffset : d.IsoOffset; }
  std::uint32_t Size(const TDirEntry& d) const { return Kind == TreeKind::Joliet ? d.JolietSize : d.IsoSize; }
};

void WriteDirectory(THeaderWriter& out, const TEngineState& state, const TTree& tree, const TDirEntry& directory) {
  const std::size_t start = out.Position();
  static constexpr std::uint8_t dot[1] = {0}, dotDot[1] = {1};
  AppendRecord(out, {tree.RootSector + tree.Offset(directory), tree.Size(directory), RecordFlagDirectory, {}, dot});
  const TDirEntry& parent = *directory.Parent;
  AppendRecord(out, {tree.RootSector + tree.Offset(parent), tree.Size(parent), RecordFlagDirectory, {}, dotDot});

  const std::uint32_t dataBase = state.Layout.FileDataStart + state.SessionStart;
  for (const TFileEntry* entry = directory.FirstChild; entry != nullptr; entry = entry->Next) {
    std::vector<std::uint8_t> wide;
    std::span<const std::uint8_t> identifier;
    if (tree.Kind == TreeKind::Joliet) {
      wide = BigEndianUnits(JolietIdentifier(*entry));
      identifier = wide;
    } else {
      identifier = Bytes(IsoIdentifier(*entry, tree.Iso1999));
    }
    TRecord record;
    record.Date = RecordDate(entry->Modified, entry->ModifiedZone);
    record.Identifier = identifier;
    // Linux sources carry no hidden attribute; only an explicit one hides an entry.
    const std::uint8_t hidden = (entry->Attributes & AttributeHidden) ? RecordFlagHidden : 0;
    if (entry->IsDirectory()) {
      record.Extent = tree.RootSector + tree.Offset(*entry->Directory);
      record.Length = tree.Size(*entry->Directory);
      record.Flags = RecordFlagDirectory | hidden;
      AppendRecord(out, record);
      continue;
    }
    const std::uint32_t first = entry->Size == 0 ? 0 : (entry->Imported ? entry->Extent : entry->Extent + dataBase);
    std::uint64_t left = entry->Size;
    const std::uint32_t count = RecordCount(*entry);
    for (std::uint32_t part = 0; part < count; ++part) {
      const std::uint64_t length = std::min<std::uint64_t>(left, MaxExtentBytes);
      record.Extent = entry->Size == 0 ? 0 : first + static_cast<std::uint32_t>(part * (MaxExtentBytes / SectorBytes));
      record.Length = static_cast<std::uint32_t>(length);
      record.Flags = static_cast<std::uint8_t>(hidden | (part + 1 < count ? RecordFlagMultiExtent : 0));
      AppendRecord(out, record);
      left -= length;
    }
  }
  out.PadToSector();
  if (out.Position() - start != tree.Size(directory))
    throw std::logic_error("directory extent does not match its layout");
}

void WritePathTable(THeaderWriter& out, TFileTable& table, const TTree& tree, bool bigEndian) {
  for (TDirEntry* directory : table.DirsInPathTableOrder()) {
    std::vector<std::uint8_t> identifier;
    if (directory->IsRoot()) {
      identifier = {0};
    } else if (tree.Kind == TreeKind::Joliet) {
      identifier = BigEndianUnits(JolietIdentifier(*directory->Entry));
    } else {
      const std::string& name = IsoPathIdentifier(*directory, tree.Iso1999);
      identifier.assign(name.begin(), name.end());
    }
    TIsoPathTableRecord head{};
    head.IdentifierLength = static_cast<std::uint8_t>(identifier.size());
    const std::uint32_t extent = tree.RootSector + tree.Offset(*directory);
    const auto parent = directory->Parent->PathTableNumber;
    if (bigEndian) {
      PutBig32(head.Extent, extent);
      PutBig16(head.ParentNumber, parent);
    } else {
      PutLittle32(head.Extent, extent);
      PutLittle16(head.ParentNumber, parent);
    }
    out.Append({reinterpret_cast<const std::uint8_t*>(&head), sizeof head});
    out.Append(identifier);
    if (identifier.size() % 2 != 0) out.AppendZeros(1);
  }
  out.PadToSector();
}

void FillRootRecord(std::uint8_t* at, std::uint32_t extent, std::uint32_t length) {
  static constexpr std::uint8_t rootId[1] = {0};
  FillRecord(at, {extent, length, RecordFlagDirectory, {}, rootId});
}

// The 8-bit volume identifier as d-characters and spaces: upper case, other characters as '_'.
void FillVolumeId(std::uint8_t* at, const std::string& id) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < id.size() && out < 32; ++i) {
    const auto byte = static_cast<std::uint8_t>(id[i]);
    if (byte >= 0x80) {
      if ((byte & 0xC0) == 0x80) continue;  // rest of a multi-byte character
      at[out++] = '_';
      continue;
    }
    at[out++] = AsciiUpper(byte);
  }
}

void FillWideVolumeId(std::uint8_t* at, const std::u16string& id) {
  const std::u16string_view units(id.data(), Utf16PrefixLength(id, 16));
  for (std::size_t i = 0; i < units.size(); ++i) PutBig16(at + 2 * i, units[i]);
}

enum class DescriptorKind { Primary, Enhanced, Joliet };

void WriteVolumeDescriptor(THeaderWriter& out, const TEngineState& state, DescriptorKind kind) {
  const TLayout& layout = state.Layout;
  const std::uint32_t session = state.SessionStart;
  TIsoVolumeDescriptor d{};
  d.Type = kind == DescriptorKind::Primary ? DescriptorPrimary : DescriptorSupplementary;
  std::memcpy(d.StandardIdentifier, "CD001", 5);
  d.Version = kind == DescriptorKind::Enhanced ? 2 : 1;
  d.FileStructureVersion = kind == DescriptorKind::Enhanced ? 2 : 1;
  d.VolumeSpaceSize.Set(layout.VolumeSize + state.VolumeBase);
  // Only the Joliet descriptor carries the UCS-2 escape. In the primary descriptor these bytes are an
  // unused field, and readers that look for the escape in any descriptor would take the ISO tree for
  // Joliet and decode its 8-bit names as UCS-2.
  if (kind == DescriptorKind::Joliet) std::memcpy(d.EscapeSequences, Ucs2Level1Escape, sizeof Ucs2Level1Escape);
  d.VolumeSetSize.Set(1);
  d.VolumeSequenceNumber.Set(1);
  d.LogicalBlockSize.Set(SectorBytes);
  if (kind == DescriptorKind::Joliet) {
    FillWideVolumeId(d.VolumeIdentifier, state.Options.VolumeIdWide);
    d.PathTableSize.Set(layout.JolietPathTableBytes);
    PutLittle32(d.LPathTable, layout.JolietLPathTable + session);
    PutBig32(d.MPathTable, layout.JolietMPathTable + session);
    FillRootRecord(d.RootDirectoryRecord, layout.JolietRootSector + session, state.Table.DirsInCreationOrder()[0]->JolietSize);
  } else {
    FillVolumeId(d.VolumeIdentifier, state.Options.VolumeId);
    d.PathTableSize.Set(layout.IsoPathTableBytes);
    PutLittle32(d.LPathTable, layout.IsoLPathTable + session);
    PutBig32(d.MPathTable, layout.IsoMPathTable + session);
    FillRootRecord(d.RootDirectoryRecord, layout.IsoRootSector + session, state.Table.DirsInCreationOrder()[0]->IsoSize);
  }
  out.Append({reinterpret_cast<const std::uint8_t*>(&d), sizeof d});
}

void WriteTerminator(THeaderWriter& out) {
  std::span<std::uint8_t> sector = out.NextSector();
  sector[0] = DescriptorTerminator;
  std::memcpy(&sector[1], "CD001", 5);
  sector[6] = 1;
}

}  // namespace

void THeaderWriter::Append(std::span<const std::uint8_t> bytes) {
  if (At + bytes.size() > Buffer.size()) throw std::logic_error("header larger than its layout");
  std::memcpy(Buffer.data() + At, bytes.data(), bytes.size());
  At += bytes.size();
}

void THeaderWriter::AppendZeros(std::size_t count) {
  if (At + count > Buffer.size()) throw std::logic_error("header larger than its layout");
  At += count;  // the buffer is zero-filled
}

std::span<std::uint8_t> THeaderWriter::NextSector() {
  PadToSector();
  const std::size_t start = At;
  AppendZeros(SectorBytes);
  return {Buffer.data() + start, SectorBytes};
}

void THeaderWriter::PadToSector() {
  if (At % SectorBytes != 0) AppendZeros(SectorBytes - At % SectorBytes);
}

bool BuildHeader(TEngineState& state) {
  if (!state.Table.Prepared) return false;
  const TLayout& layout = state.Layout;
  std::vector<IImageExtension*> extensions;
  for (IImageExtension* extension : state.Extensions) {
    if (extension->Enabled(state)) extensions.push_back(extension);
  }
  state.Header.assign(std::size_t{layout.HeaderSectors} * SectorBytes, 0);
  THeaderWriter out(state.Header);
  out.AppendZeros(16 * SectorBytes);
  WriteVolumeDescriptor(out, state, DescriptorKind::Primary);
  for (IImageExtension* extension : extensions) extension->WriteDescriptorsAfterPrimary(state, out);
  if (state.Options.Iso1999) WriteVolumeDescriptor(out, state, DescriptorKind::Enhanced);
  if (state.Options.Joliet) WriteVolumeDescriptor(out, state, DescriptorKind::Joliet);
  WriteTerminator(out);
  for (IImageExtension* extension : extensions) extension->WriteAfterTerminator(state, out);

  const std::uint32_t session = state.SessionStart;
  const TTree iso{TreeKind::Iso, layout.IsoRootSector + session, state.Options.Iso1999};
  const TTree joliet{TreeKind::Joliet, layout.JolietRootSector + session, false};
  WritePathTable(out, state.Table, iso, false);
  WritePathTable(out, state.Table, iso, true);
  if (state.Options.Joliet) {
    WritePathTable(out, state.Table, joliet, false);
    WritePathTable(out, state.Table, joliet, true);
  }
  for (const TDirEntry* directory : state.Table.DirsInCreationOrder()) WriteDirectory(out, state, iso, *directory);
  if (state.Options.Joliet) {
    for (const TDirEntry* directory : state.Table.DirsInCreationOrder()) WriteDirectory(out, state, joliet, *directory);
  }
  for (IImageExtension* extension : extensions) extension->WriteAfterDirectories(state, out);
  out.AppendZeros(state.Header.size() - out.Position());  // padding to the first data sector
  return true;
}

}  // namespace velmarond::image
