// FORMAT UNIT (types 00h, 13h, 15h, 26h, 30h, 31h) and BLANK (full and minimal).

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

// Holds the command until the operation ends unless the host asked for an immediate return.
Reply FinishLongOperation(RecorderState& state, const Command& command, bool immediate) {
  if (immediate) return Reply::Good();
  if (auto running = RunningOperation(state)) {
    const std::int64_t left = running->EndMs - state.Time->NowMs();
    state.Time->SleepMs(std::min<std::int64_t>(left, command.TimeoutMs));
    if (left > command.TimeoutMs) {
      Reply late;
      late.TimedOut = true;
      return late;
    }
    state.Busy.reset();
  }
  return Reply::Good();
}

void MakeEmpty(RecorderState& state, MediumKind kind) {
  Medium& disc = *state.Disc;
  const std::int64_t capacity = disc.Capacity;
  disc.Sectors.Clear();
  Medium fresh = MakeBlankMedium(kind, capacity);
  disc.Kind = fresh.Kind;
  disc.Formatted = fresh.Formatted;
  disc.Finalized = false;
  disc.ClosedSessions = 0;
  disc.SessionEnds.clear();
  disc.Tracks = std::move(fresh.Tracks);
  state.CueSheet.clear();
  state.SectorsDirty = true;
  ResetWriteParameters(state);
}

}  // namespace

Reply FormatUnit(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  Medium& disc = *state.Disc;
  const bool formattable = disc.Kind == MediumKind::DvdRw || disc.Kind == MediumKind::DvdRwRestricted ||
                           disc.Kind == MediumKind::DvdPlusRw || disc.Kind == MediumKind::DvdRam || disc.Kind == MediumKind::BdRe;
  if (!formattable) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  const bool withData = command.At(1) & 0x10;
  std::uint8_t type = 0x00;
  bool immediate = false;
  std::uint32_t blocks = 0;
  if (withData) {
    if ((command.At(1) & 0x07) != 1) return Reply::Check(sense::InvalidFieldInCdb);
    if (!HasParameterData(command, 12)) return Reply::Check(sense::ParameterListLengthError);
    const auto list = command.Data.first(12);
    if (Get16(list, 2) != 8) return Reply::Check(sense::InvalidFieldInParameterList);
    immediate = list[1] & 0x02;
    blocks = Get32(list, 4);
    type = list[8] >> 2;
  }
  const std::int64_t full = TraitsOf(disc.Kind).Capacity;
  std::int64_t work = 32 * 1024 * 1024;  // a quick format writes lead-in and control areas
  switch (type) {
    case 0x00:
      if (disc.Kind == MediumKind::DvdPlusRw) return Reply::Check(sense::InvalidFieldInParameterList);
      if (disc.Kind == MediumKind::DvdRw || disc.Kind == MediumKind::DvdRwRestricted) MakeEmpty(state, MediumKind::DvdRwRestricted);
      disc.Formatted = true;
      disc.Capacity = full;
      work = full * 2048;
      break;
    case 0x13:  // grow the last session of a restricted-overwrite disc
      if (disc.Kind != MediumKind::DvdRwRestricted) return Reply::Check(sense::InvalidFieldInParameterList);
      break;
    case 0x15:  // quick format into restricted overwrite
      if (disc.Kind != MediumKind::DvdRw && disc.Kind != MediumKind::DvdRwRestricted) return Reply::Check(sense::InvalidFieldInParameterList);
      MakeEmpty(state, MediumKind::DvdRwRestricted);
      break;
    case 0x26:
      if (disc.Kind != MediumKind::DvdPlusRw) return Reply::Check(sense::InvalidFieldInParameterList);
      disc.Formatted = true;
      break;
    case 0x30:
    case 0x31:
      if (disc.Kind != MediumKind::BdRe) return Reply::Check(sense::InvalidFieldInParameterList);
      disc.Formatted = true;
      disc.Capacity = type == 0x31 ? 12'219'392 : full;
      break;
    default:
      return Reply::Check(sense::InvalidFieldInParameterList);
  }
  (void)blocks;  // a count that matches no reported capacity gets the drive's default capacity
  state.SectorsDirty = true;
  StartLongOperation(state, sense::FormatInProgress, work);
  return FinishLongOperation(state, command, immediate);
}

Reply Blank(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  Medium& disc = *state.Disc;
  if (disc.Kind != MediumKind::CdRw && disc.Kind != MediumKind::DvdRw && disc.Kind != MediumKind::DvdRwRestricted)
    return Reply::Check(sense::CannotWriteIncompatibleFormat);
  const std::uint8_t type = command.At(1) & 0x07;
  if (type > 1) return Reply::Check(sense::InvalidFieldInCdb);  // only "whole disc" and "minimal"
  const std::int64_t blockBytes = disc.IsCd() ? 2352 : 2048;
  const std::int64_t work = type == 0 ? disc.Capacity * blockBytes : 4500 * blockBytes;
  MakeEmpty(state, disc.IsCd() ? MediumKind::CdRw : MediumKind::DvdRw);
  StartLongOperation(state, sense::OperationInProgress, work);
  return FinishLongOperation(state, command, command.At(1) & 0x10);
}

}  // namespace velmarond::vrec
