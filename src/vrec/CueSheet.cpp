// SEND CUE SHEET: checks a disc-at-once layout and lays its tracks out from the first pregap (LBA -150
// on a blank disc).

#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

struct CueEntry {
  std::uint8_t Control, Track, Index, DataForm;
  std::int64_t Lba;
};

// Bytes the host sends per block for a data form; none for forms the drive generates itself.
std::optional<std::uint32_t> FormBytes(std::uint8_t form) {
  switch (form) {
    case 0x00: return 2352;            // CD-DA
    case 0x10: return 2048;            // mode 1 user data
    case 0x11: return 2352;            // mode 1 raw
    case 0x20: case 0x21: return 2336; // mode 2
    case 0x23: return 2352;            // mode 2 raw
    default: return std::nullopt;
  }
}

bool ValidMsf(std::span<const std::uint8_t> e) { return e[6] < 60 && e[7] < 75; }

}  // namespace

Reply SendCueSheet(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  Medium& disc = *state.Disc;
  if (!disc.IsCd() || !disc.IsSequential() || disc.Finalized) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  if ((state.WriteParameters[2] & 0x0F) != 2 || disc.OpenUnreservedTrack()) return Reply::Check(sense::CommandSequenceError);
  const std::size_t length = Get24(command.Cdb, 6);
  if (length == 0 || length % 8 != 0 || !HasParameterData(command, length)) return Reply::Check(sense::ParameterListLengthError);

  std::vector<CueEntry> entries;
  for (std::size_t at = 0; at < length; at += 8) {
    const auto e = command.Data.subspan(at, 8);
    if (!ValidMsf(e) || e[4] != 0) return Reply::Check(sense::InvalidFieldInParameterList);
    entries.push_back({std::uint8_t(e[0] >> 4), e[1], e[2], e[3], MsfToLba(Msf{e[5], e[6], e[7]})});
  }
  const std::int64_t start = disc.InvisibleTrackStart() - 150;
  if (entries.size() < 3 || entries.front().Track != 0 || entries.back().Track != 0xAA || entries.back().Index != 1)
    return Reply::Check(sense::InvalidFieldInParameterList);
  std::vector<Track> tracks;
  std::uint32_t expectedTrack = std::uint32_t(disc.Tracks.size() + 1);
  std::int64_t previous = start;
  for (std::size_t i = 1; i + 1 < entries.size(); ++i) {
    const CueEntry& e = entries[i];
    const bool audio = !(e.Control & 0x4);
    const auto bytes = FormBytes(e.DataForm);
    if (!bytes || audio != (e.DataForm == 0x00) || e.Lba < previous) return Reply::Check(sense::InvalidFieldInParameterList);
    if (i == 1 && e.Lba != start) return Reply::Check(sense::InvalidFieldInParameterList);  // the first pregap starts the area
    const bool newTrack = tracks.empty() || tracks.back().Number != e.Track;
    if (newTrack) {
      if (e.Track != expectedTrack || e.Index > 1) return Reply::Check(sense::InvalidFieldInParameterList);
      Track track;
      track.Number = e.Track;
      track.Session = disc.OpenSession();
      track.Start = e.Index == 1 ? e.Lba : -1;
      track.Pregap = e.Index == 0 ? e.Lba : 0;  // start of index 0 until index 1 is seen
      track.Kind = audio ? TrackKind::Audio : TrackKind::Data;
      track.BlockBytes = *bytes;
      track.DataMode = e.DataForm >= 0x20 ? 2 : 1;
      tracks.push_back(track);
      ++expectedTrack;
    } else if (e.Index == 1 && tracks.back().Start < 0) {
      tracks.back().Start = e.Lba;
      tracks.back().Pregap = e.Lba - tracks.back().Pregap;
    } else if (e.Index < 2 || e.Index > 99) {
      return Reply::Check(sense::InvalidFieldInParameterList);
    }
    previous = e.Lba;
  }
  const std::int64_t leadOut = entries.back().Lba;
  if (tracks.empty() || leadOut <= previous || leadOut > disc.Capacity) return Reply::Check(sense::InvalidFieldInParameterList);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].Start < 0) return Reply::Check(sense::InvalidFieldInParameterList);  // a track without index 1
    const std::int64_t next = i + 1 < tracks.size() ? tracks[i + 1].Start - tracks[i + 1].Pregap : leadOut;
    tracks[i].ReservedSize = next - tracks[i].Start;
    if (tracks[i].ReservedSize <= 0) return Reply::Check(sense::InvalidFieldInParameterList);
  }
  disc.Tracks.insert(disc.Tracks.end(), tracks.begin(), tracks.end());
  state.CueSheet.assign(command.Data.begin(), command.Data.begin() + length);
  state.DaoNext = start;
  state.DaoLeadOut = leadOut;
  return Reply::Good();
}

}  // namespace velmarond::vrec
