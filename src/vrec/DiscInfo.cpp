// READ DISC INFORMATION, READ TRACK INFORMATION, READ CAPACITY and READ FORMAT CAPACITIES.

#include <algorithm>
#include <array>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

void PutMsfAddress(std::span<std::uint8_t> out, std::size_t at, std::int64_t lba) {
  const Msf msf = LbaToMsf(lba);
  out[at] = 0;
  out[at + 1] = msf.Minute;
  out[at + 2] = msf.Second;
  out[at + 3] = msf.Frame;
}

// What READ TRACK INFORMATION reports about one track (a real one or the invisible one).
struct TrackView {
  std::uint32_t Number, Session;
  std::int64_t Start, Size, NextWritable, Free, LastRecorded;
  bool Blank, Reserved, Closed, NextWritableValid, Packet;
  std::uint8_t TrackMode, DataMode;
};

std::uint32_t Uint(std::int64_t v) { return static_cast<std::uint32_t>(std::max<std::int64_t>(0, v)); }

TrackView ViewOverwritable(const Medium& disc) {
  const std::int64_t capacity = disc.Capacity;
  const std::int64_t end = disc.RecordedEnd();
  const bool restricted = disc.Kind == MediumKind::DvdRwRestricted;
  const std::int64_t next = restricted ? disc.AlignUp(end) : 0;
  return TrackView{1, 1, 0, capacity, next, capacity - next, std::max<std::int64_t>(0, end - 1),
                   !disc.Formatted, false, disc.Formatted, restricted, disc.Formatted, 0x04, 0x01};
}

TrackView ViewTrack(const Medium& disc, const Track& track) {
  const bool invisible = track.Open() && track.ReservedSize == 0;
  const std::int64_t size = invisible ? disc.Capacity - track.Start : track.Size();
  const std::int64_t next = track.NextWritable();
  const bool writable = track.Open() && next < track.Start + size;
  const std::uint8_t mode = track.Kind == TrackKind::Audio ? 0x00 : (disc.IsCd() ? 0x04 : 0x05);
  return TrackView{track.Number, track.Session, track.Start, size, next,
                   writable ? track.Start + size - next : 0, track.Start + track.Recorded - 1,
                   track.Recorded == 0, track.ReservedSize != 0, track.Closed, writable,
                   !disc.IsCd(), mode, std::uint8_t(track.Kind == TrackKind::Audio ? 0x0F : track.DataMode)};
}

TrackView ViewInvisible(const Medium& disc) {
  const std::int64_t start = disc.InvisibleTrackStart();
  return TrackView{disc.LastTrackNumber(), disc.OpenSession(), start, disc.Capacity - start, start,
                   disc.Capacity - start, 0, true, false, false, true, !disc.IsCd(),
                   std::uint8_t(disc.IsCd() ? 0x04 : 0x05), 0x0F};
}

std::optional<TrackView> FindView(const Medium& disc, std::uint8_t type, std::uint32_t value) {
  if (disc.IsOverwritable()) {
    if (type == 1 && value != 1 && value != 0xFF) return std::nullopt;
    if (type == 0 && value >= std::uint64_t(disc.Capacity)) return std::nullopt;
    if (type == 2 && value != 1) return std::nullopt;
    return ViewOverwritable(disc);
  }
  switch (type) {
    case 0:  // by LBA
      for (const Track& track : disc.Tracks) {
        if (std::int64_t(std::int32_t(value)) >= track.Start - track.Pregap &&
            std::int64_t(std::int32_t(value)) < track.Start + std::max<std::int64_t>(track.Size(), 1))
          return ViewTrack(disc, track);
      }
      if (disc.HasInvisibleTrack() && std::int64_t(value) >= disc.InvisibleTrackStart() && std::int64_t(value) < disc.Capacity)
        return ViewInvisible(disc);
      return std::nullopt;
    case 1:  // by track number; FFh names the invisible track
      if (value == 0xFF || value == disc.LastTrackNumber()) {
        if (disc.HasInvisibleTrack()) return ViewInvisible(disc);
        if (value == 0xFF) {
          if (Track* open = const_cast<Medium&>(disc).OpenUnreservedTrack()) return ViewTrack(disc, *open);
          return std::nullopt;
        }
      }
      if (const Track* track = disc.FindTrack(value)) return ViewTrack(disc, *track);
      return std::nullopt;
    case 2:  // by session number: its first track
      for (const Track& track : disc.Tracks) {
        if (track.Session == value) return ViewTrack(disc, track);
      }
      if (disc.HasInvisibleTrack() && value == disc.OpenSession()) return ViewInvisible(disc);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

Reply ReadDiscInformation(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  if ((command.At(1) & 0x07) != 0) return Reply::Check(sense::InvalidFieldInCdb);  // standard information only
  const Medium& disc = *state.Disc;
  std::array<std::uint8_t, 34> data{};
  Put16(data, 0, data.size() - 2);
  data[2] = std::uint8_t((disc.Traits().Erasable ? 0x10 : 0) | static_cast<std::uint8_t>(disc.LastSessionState()) << 2 |
                         static_cast<std::uint8_t>(disc.Status()));
  data[3] = 1;
  const std::uint32_t sessions = disc.SessionCount();
  const std::uint32_t first = disc.FirstTrackOfLastSession();
  const std::uint32_t last = std::max(first, disc.LastTrackNumber());
  data[4] = std::uint8_t(sessions);
  data[5] = std::uint8_t(first);
  data[6] = std::uint8_t(last);
  data[9] = std::uint8_t(sessions >> 8);
  data[10] = std::uint8_t(first >> 8);
  data[11] = std::uint8_t(last >> 8);
  data[7] = 0x20;  // unrestricted use
  if (disc.Kind == MediumKind::DvdPlusRw) data[7] |= disc.Formatted ? 0x03 : 0x00;  // background format complete
  data[8] = 0x00;  // CD-DA or CD-ROM
  if (disc.IsCd() && disc.IsSequential() && !disc.Finalized) {
    PutMsfAddress(data, 16, disc.InvisibleTrackStart() - (disc.ClosedSessions == 0 ? 150 : 4650));
    PutMsfAddress(data, 20, disc.Capacity);
  } else if (disc.IsCd()) {
    std::fill(data.begin() + 16, data.begin() + 24, std::uint8_t(0xFF));
  } else if (!disc.Finalized && !disc.IsReadOnly()) {
    Put32(data, 20, Uint(disc.Capacity));
  }
  return DataIn(command, data, Get16(command.Cdb, 7));
}

Reply ReadTrackInformation(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  const auto view = FindView(disc, command.At(1) & 0x03, Get32(command.Cdb, 2));
  if (!view) return Reply::Check(sense::InvalidFieldInCdb);
  std::array<std::uint8_t, 48> data{};
  Put16(data, 0, data.size() - 2);
  data[2] = std::uint8_t(view->Number);
  data[3] = std::uint8_t(view->Session);
  data[5] = view->TrackMode;
  data[6] = std::uint8_t((view->Reserved ? 0x80 : 0) | (view->Blank ? 0x40 : 0) | (view->Packet ? 0x20 : 0) |
                         (view->Packet ? 0x10 : 0) | view->DataMode);
  const bool lastRecordedValid = !view->Blank && !disc.IsCd();
  data[7] = std::uint8_t((lastRecordedValid ? 0x02 : 0) | (view->NextWritableValid ? 0x01 : 0));
  Put32(data, 8, std::uint32_t(view->Start));
  Put32(data, 12, view->NextWritableValid ? std::uint32_t(view->NextWritable) : 0);
  Put32(data, 16, Uint(view->Free));
  Put32(data, 20, view->Packet ? disc.Traits().Blocking : 0);
  Put32(data, 24, Uint(view->Size));
  Put32(data, 28, lastRecordedValid ? Uint(view->LastRecorded) : 0);
  data[32] = std::uint8_t(view->Number >> 8);
  data[33] = std::uint8_t(view->Session >> 8);
  return DataIn(command, data, Get16(command.Cdb, 7));
}

Reply ReadCapacity(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  const std::int64_t blocks = disc.IsOverwritable() ? (disc.Formatted ? disc.Capacity : 0) : disc.RecordedEnd();
  std::array<std::uint8_t, 8> data{};
  Put32(data, 0, Uint(blocks - 1));
  Put32(data, 4, 2048);
  return DataIn(command, data, data.size());
}

Reply ReadFormatCapacities(RecorderState& state, const Command& command) {
  std::vector<std::uint8_t> data(4, 0);
  auto add = [&](std::uint32_t blocks, std::uint8_t typeBits, std::uint32_t parameter) {
    const std::size_t at = data.size();
    data.resize(at + 8);
    Put32(data, at, blocks);
    data[at + 4] = typeBits;
    Put24(data, at + 5, parameter);
  };
  constexpr std::uint8_t Unformatted = 0x01, Formatted = 0x02, NoMedium = 0x03;
  if (state.TrayOpen || !state.Disc) {
    add(0xFFFFFFFF, NoMedium, 2048);
  } else {
    const Medium& disc = *state.Disc;
    const std::uint32_t full = TraitsOf(disc.Kind).Capacity;
    const bool formatted = disc.IsOverwritable() && disc.Formatted;
    add(formatted ? Uint(disc.Capacity) : full, formatted ? Formatted : Unformatted, 2048);
    switch (disc.Kind) {
      case MediumKind::DvdPlusRw: add(full, 0x26 << 2, 0); break;
      case MediumKind::DvdRam: add(full, 0x00 << 2, 2048); break;
      case MediumKind::DvdRw:
      case MediumKind::DvdRwRestricted:
        add(full, 0x00 << 2, 16);
        if (disc.Kind == MediumKind::DvdRwRestricted) add(full, 0x13 << 2, 16);
        add(full, 0x15 << 2, 16);
        break;
      case MediumKind::BdRe:
        add(full, 0x00 << 2, 0x3000);
        add(full, 0x30 << 2, 0x3000);
        add(12'219'392, 0x31 << 2, 0x800);
        break;
      default: break;
    }
  }
  data[3] = std::uint8_t(data.size() - 4);
  return DataIn(command, data, Get16(command.Cdb, 7));
}

}  // namespace velmarond::vrec
