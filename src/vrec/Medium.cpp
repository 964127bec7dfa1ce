#include "vrec/Medium.h"

namespace velmarond::vrec {

DiscStatus Medium::Status() const {
  if (IsReadOnly()) return DiscStatus::Complete;
  if (IsOverwritable()) {
    if (!Formatted) return DiscStatus::Blank;
    return Kind == MediumKind::DvdRam ? DiscStatus::RandomWritable : DiscStatus::Complete;
  }
  if (Finalized) return DiscStatus::Complete;
  if (Tracks.empty() && ClosedSessions == 0) return DiscStatus::Blank;
  return DiscStatus::Appendable;
}

SessionState Medium::LastSessionState() const {
  if (IsReadOnly() || Finalized || (IsOverwritable() && Formatted)) return SessionState::Complete;
  if (IsOverwritable()) return SessionState::Empty;
  for (const Track& track : Tracks) {
    if (track.Session == OpenSession()) return SessionState::Incomplete;
  }
  return SessionState::Empty;
}

std::uint32_t Medium::SessionCount() const {
  if (!IsSequential()) return 1;
  return Finalized ? ClosedSessions : ClosedSessions + 1;
}

bool Medium::HasInvisibleTrack() const {
  if (!IsSequential() || Finalized) return false;
  for (const Track& track : Tracks) {
    if (track.Open() && track.ReservedSize == 0) return false;  // that open track is the invisible one
  }
  return InvisibleTrackStart() < Capacity;
}

std::int64_t Medium::AlignUp(std::int64_t lba) const {
  const std::int64_t unit = Traits().Blocking;
  return (lba + unit - 1) / unit * unit;
}

std::int64_t Medium::InvisibleTrackStart() const {
  if (!Tracks.empty() && Tracks.back().Session == OpenSession()) {
    const Track& last = Tracks.back();
    return AlignUp(last.Start + last.Size()) + Traits().TrackGap;
  }
  if (ClosedSessions == 0) return 0;
  const std::int64_t gap = ClosedSessions == 1 ? Traits().FirstSessionGap : Traits().LaterSessionGap;
  return AlignUp(SessionEnds.back() + gap);
}

std::uint32_t Medium::LastTrackNumber() const {
  return static_cast<std::uint32_t>(Tracks.size()) + (HasInvisibleTrack() ? 1 : 0);
}

std::uint32_t Medium::FirstTrackOfLastSession() const {
  const std::uint32_t session = Finalized || !IsSequential() ? ClosedSessions : OpenSession();
  for (const Track& track : Tracks) {
    if (track.Session == session) return track.Number;
  }
  return static_cast<std::uint32_t>(Tracks.size()) + 1;
}

Track* Medium::FindTrack(std::uint32_t number) {
  return number >= 1 && number <= Tracks.size() ? &Tracks[number - 1] : nullptr;
}
const Track* Medium::FindTrack(std::uint32_t number) const {
  return number >= 1 && number <= Tracks.size() ? &Tracks[number - 1] : nullptr;
}

const Track* Medium::TrackAt(std::int64_t lba) const {
  for (const Track& track : Tracks) {
    if (lba >= track.Start - track.Pregap && lba < track.Start + track.Size()) return &track;
  }
  return nullptr;
}

Track* Medium::OpenUnreservedTrack() {
  for (Track& track : Tracks) {
    if (track.Open() && track.ReservedSize == 0) return &track;
  }
  return nullptr;
}

std::int64_t Medium::RecordedEnd() const {
  if (IsSequential() || IsReadOnly()) {
    std::int64_t end = 0;
    for (const Track& track : Tracks) end = std::max(end, track.Start + track.Recorded);
    return end;
  }
  return std::max<std::int64_t>(0, Sectors.End(0));
}

Medium MakeBlankMedium(MediumKind kind, std::optional<std::int64_t> sectors) {
  Medium medium;
  medium.Kind = kind;
  medium.Capacity = sectors.value_or(TraitsOf(kind).Capacity);
  medium.Formatted = kind == MediumKind::DvdRam || kind == MediumKind::DvdRwRestricted;
  if (medium.IsOverwritable()) {
    Track whole;
    whole.Number = 1;
    whole.Session = 1;
    medium.Tracks.push_back(whole);
  }
  return medium;
}

}  // namespace velmarond::vrec
