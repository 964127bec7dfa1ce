// CLOSE TRACK/SESSION and the closing rules of sequential media.

#include "vrec/Recording.h"

#include <algorithm>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {

bool NextSessionAllowed(const RecorderState& state) { return (state.WriteParameters[3] >> 6) == 0x3; }

void CloseTrack(RecorderState& state, Track& track) {
  Medium& disc = *state.Disc;
  const std::int64_t target = track.ReservedSize ? track.ReservedSize : disc.AlignUp(track.Start + track.Recorded) - track.Start;
  static const std::uint8_t zeros[MaxSectorBytes] = {};
  for (std::int64_t i = track.Recorded; i < target; ++i)
    disc.Sectors.Write(track.Start + i, std::span<const std::uint8_t>(zeros, track.BlockBytes));
  if (target > track.Recorded) state.SectorsDirty = true;
  track.Recorded = std::max(track.Recorded, target);
  track.Closed = true;
}

void CloseSession(RecorderState& state, bool nextSessionAllowed) {
  Medium& disc = *state.Disc;
  std::int64_t end = 0;
  for (Track& track : disc.Tracks) {
    if (track.Session != disc.OpenSession()) continue;
    if (track.Open()) CloseTrack(state, track);
    end = std::max(end, track.Start + track.Size());
  }
  disc.SessionEnds.push_back(end);
  ++disc.ClosedSessions;
  disc.Finalized = !nextSessionAllowed || !disc.HasInvisibleTrack();
}

void CloseDiscAtOnceSession(RecorderState& state) {
  for (Track& track : state.Disc->Tracks) {
    if (track.Open()) track.Closed = true;
  }
  state.CueSheet.clear();
  CloseSession(state, NextSessionAllowed(state));
}

namespace {

constexpr std::uint8_t CloseTrackFunction = 1, CloseSessionFunction = 2, CloseOverwritable = 3,
                       FinalizeMinimalRadius = 5, FinalizeDisc = 6;

Reply CloseTrackByNumber(RecorderState& state, std::uint32_t number) {
  Medium& disc = *state.Disc;
  Track* track = nullptr;
  if (number == 0 || number == 0xFF) {
    for (Track& each : disc.Tracks) {
      if (each.Open()) track = &each;
    }
    if (!track) return Reply::Check(sense::EmptyProgramArea);
  } else {
    if (number == disc.LastTrackNumber() && disc.HasInvisibleTrack()) return Reply::Check(sense::EmptyProgramArea);
    track = disc.FindTrack(number);
    if (!track) return Reply::Check(sense::InvalidFieldInCdb);
    if (track->Closed) return Reply::Check(sense::EmptyProgramArea);
  }
  CloseTrack(state, *track);
  return Reply::Good();
}

bool OpenSessionHasTracks(const Medium& disc) {
  return std::any_of(disc.Tracks.begin(), disc.Tracks.end(), [&](const Track& t) { return t.Session == disc.OpenSession(); });
}

}  // namespace

Reply CloseTrackSession(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  Medium& disc = *state.Disc;
  const std::uint8_t function = command.At(2) & 0x07;
  const bool immediate = command.At(1) & 0x01;
  if (disc.IsReadOnly()) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  if (disc.IsOverwritable()) {
    // Ends a background format or the session of a restricted-overwrite disc; nothing stays open.
    if (function != CloseTrackFunction && function != CloseSessionFunction && function != CloseOverwritable)
      return Reply::Check(sense::InvalidFieldInCdb);
    return Reply::Good();
  }
  if (disc.Finalized) return Reply::Check(sense::EmptyProgramArea);
  if (!state.CueSheet.empty()) return Reply::Check(sense::CommandSequenceError);  // a disc-at-once write is unfinished
  const bool plusR = disc.Kind == MediumKind::DvdPlusR || disc.Kind == MediumKind::DvdPlusRDl;
  Reply reply = Reply::Good();
  switch (function) {
    case CloseTrackFunction:
      reply = CloseTrackByNumber(state, Get16(command.Cdb, 4));
      break;
    case CloseSessionFunction:
      if (!OpenSessionHasTracks(disc)) return Reply::Check(sense::EmptyProgramArea);
      // DVD+R and BD-R sessions stay appendable; finalising is a close function of its own there.
      CloseSession(state, plusR || disc.Kind == MediumKind::BdR || NextSessionAllowed(state));
      break;
    case FinalizeMinimalRadius:
    case FinalizeDisc:
      if (!(plusR || disc.Kind == MediumKind::BdR) || (function == FinalizeMinimalRadius && disc.Kind != MediumKind::DvdPlusR))
        return Reply::Check(sense::InvalidFieldInCdb);
      if (OpenSessionHasTracks(disc)) CloseSession(state, false);
      else if (disc.ClosedSessions == 0) return Reply::Check(sense::EmptyProgramArea);
      disc.Finalized = true;
      break;
    default:
      return Reply::Check(sense::InvalidFieldInCdb);
  }
  if (reply.Status == StatusGood && immediate && function != CloseTrackFunction)
    StartLongOperation(state, sense::OperationInProgress, disc.IsCd() ? 6750 * 2352 : 0x800 * 2048);
  return reply;
}

}  // namespace velmarond::vrec
