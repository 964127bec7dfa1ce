// READ DVD STRUCTURE, SEND DVD STRUCTURE (the DVD-R time stamp) and SEND OPC INFORMATION.

#include <cctype>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

std::uint8_t BookType(MediumKind kind) {
  switch (kind) {
    case MediumKind::DvdRam: return 0x1;
    case MediumKind::DvdR: return 0x2;
    case MediumKind::DvdRw: case MediumKind::DvdRwRestricted: return 0x3;
    case MediumKind::DvdPlusRw: return 0x9;
    case MediumKind::DvdPlusR: return 0xA;
    case MediumKind::DvdPlusRDl: return 0xE;
    default: return 0x0;
  }
}

}  // namespace

Reply ReadDvdStructure(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  if (disc.IsCd()) return Reply::Check(sense::IncompatibleMediumCannotRead);
  const std::uint8_t format = command.At(7);
  const bool bd = disc.Traits().Family == MediumFamily::Bd;
  std::vector<std::uint8_t> out(4, 0);
  if (format == 0xFF) {
    for (std::uint8_t each : {std::uint8_t(0x00), std::uint8_t(0x01), std::uint8_t(0xFF)})
      out.insert(out.end(), {each, 0x40, 0x00, 0x00});
  } else if (format == 0x00 && bd) {
    out.resize(4 + 112, 0);
    out[4] = 'D';
    out[5] = 'I';
    out[12] = 'B';
    out[13] = 'D';
    out[14] = disc.Kind == MediumKind::BdRe ? 'W' : disc.Kind == MediumKind::BdR ? 'R' : 'O';
  } else if (format == 0x00) {
    out.resize(4 + 2048, 0);
    out[4] = std::uint8_t(BookType(disc.Kind) << 4);
    out[5] = 0x02;  // 120 mm, 10.08 Mbit/s
    const bool dual = disc.Kind == MediumKind::DvdPlusRDl;
    out[6] = std::uint8_t((dual ? 0x20 : 0x00) | (disc.IsReadOnly() ? 0x01 : disc.IsOverwritable() ? 0x04 : 0x02));
    Put32(out, 8, 0x030000);
    Put32(out, 12, std::uint32_t(0x030000 + std::max<std::int64_t>(disc.Capacity, 1) - 1));
  } else if (format == 0x01 && !bd) {
    out.resize(8, 0);  // no copy protection
  } else {
    return Reply::Check(sense::InvalidFieldInCdb);
  }
  Put16(out, 0, std::uint32_t(out.size() - 2));
  return DataIn(command, out, Get16(command.Cdb, 8));
}

Reply SendDvdStructure(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  if (command.At(7) != 0x0F || (disc.Kind != MediumKind::DvdR && disc.Kind != MediumKind::DvdRw))
    return Reply::Check(sense::InvalidFieldInCdb);
  const std::size_t length = Get16(command.Cdb, 8);
  if (length < 22 || !HasParameterData(command, 22)) return Reply::Check(sense::ParameterListLengthError);
  const auto data = command.Data.first(22);
  if (Get16(data, 0) != 0x14) return Reply::Check(sense::InvalidFieldInParameterList);
  for (std::size_t i = 8; i < 22; ++i) {
    if (!std::isdigit(data[i])) return Reply::Check(sense::InvalidFieldInParameterList);
  }
  return Reply::Good();
}

Reply SendOpcInformation(RecorderState& state, const Command&) {
  if (auto missing = RequireMedium(state)) return *missing;
  if (state.Disc->IsReadOnly()) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  return Reply::Good();
}

}  // namespace velmarond::vrec
