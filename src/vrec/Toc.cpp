// READ TOC/PMA/ATIP formats 0 (TOC), 1 (session information), 2 (full TOC) and 4 (ATIP).

#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

std::uint8_t AdrControl(const Track& track) { return track.Kind == TrackKind::Audio ? 0x10 : 0x14; }

void PutAddress(std::vector<std::uint8_t>& out, std::size_t at, std::int64_t lba, bool msf) {
  if (!msf) {
    Put32(out, at, static_cast<std::uint32_t>(lba));
    return;
  }
  const Msf time = LbaToMsf(lba);
  out[at] = 0;
  out[at + 1] = time.Minute;
  out[at + 2] = time.Second;
  out[at + 3] = time.Frame;
}

std::vector<const Track*> RecordedTracks(const Medium& disc) {
  std::vector<const Track*> tracks;
  for (const Track& track : disc.Tracks) {
    if (track.Recorded > 0 || disc.IsOverwritable()) tracks.push_back(&track);
  }
  return tracks;
}

std::int64_t LeadOutOf(const Medium& disc, std::uint32_t session) {
  if (disc.IsOverwritable()) return disc.Formatted ? disc.Capacity : disc.RecordedEnd();
  if (session >= 1 && session <= disc.SessionEnds.size()) return disc.SessionEnds[session - 1];
  return disc.RecordedEnd();
}

Reply Toc(const Medium& disc, const Command& command, bool msf) {
  const auto tracks = RecordedTracks(disc);
  if (tracks.empty()) return Reply::Check(sense::InvalidFieldInCdb);
  const std::uint8_t startTrack = command.At(6);
  std::vector<std::uint8_t> out(4, 0);
  out[2] = std::uint8_t(tracks.front()->Number);
  out[3] = std::uint8_t(tracks.back()->Number);
  auto add = [&](std::uint8_t adrControl, std::uint8_t number, std::int64_t lba) {
    const std::size_t at = out.size();
    out.resize(at + 8);
    out[at + 1] = adrControl;
    out[at + 2] = number;
    PutAddress(out, at + 4, lba, msf);
  };
  for (const Track* track : tracks) {
    if (track->Number >= startTrack) add(AdrControl(*track), std::uint8_t(track->Number), track->Start);
  }
  if (startTrack > tracks.back()->Number && startTrack != 0xAA) return Reply::Check(sense::InvalidFieldInCdb);
  add(AdrControl(*tracks.back()), 0xAA, LeadOutOf(disc, tracks.back()->Session));
  Put16(out, 0, std::uint32_t(out.size() - 2));
  return DataIn(command, out, Get16(command.Cdb, 7));
}

Reply SessionInfo(const Medium& disc, const Command& command, bool msf) {
  const auto tracks = RecordedTracks(disc);
  if (tracks.empty()) return Reply::Check(sense::InvalidFieldInCdb);
  const std::uint32_t lastSession = disc.IsSequential() ? std::max<std::uint32_t>(1, disc.ClosedSessions) : 1;
  const Track* first = tracks.front();
  for (const Track* track : tracks) {
    if (track->Session == lastSession) {
      first = track;
      break;
    }
  }
  std::vector<std::uint8_t> out(12, 0);
  Put16(out, 0, 10);
  out[2] = 1;
  out[3] = std::uint8_t(lastSession);
  out[5] = AdrControl(*first);
  out[6] = std::uint8_t(first->Number);
  PutAddress(out, 8, first->Start, msf);
  return DataIn(command, out, Get16(command.Cdb, 7));
}

Reply FullToc(const Medium& disc, const Command& command) {
  if (!disc.IsCd()) return Reply::Check(sense::InvalidFieldInCdb);
  const auto tracks = RecordedTracks(disc);
  if (tracks.empty()) return Reply::Check(sense::InvalidFieldInCdb);
  std::vector<std::uint8_t> out(4, 0);
  auto add = [&](std::uint8_t session, std::uint8_t adrControl, std::uint8_t point, Msf at, Msf p) {
    out.insert(out.end(), {session, adrControl, 0, point, at.Minute, at.Second, at.Frame, 0, p.Minute, p.Second, p.Frame});
  };
  const std::uint32_t sessions = std::max<std::uint32_t>(1, disc.Finalized ? disc.ClosedSessions : disc.ClosedSessions);
  for (std::uint32_t session = 1; session <= sessions; ++session) {
    const Track* first = nullptr;
    const Track* last = nullptr;
    for (const Track* track : tracks) {
      if (track->Session != session) continue;
      if (!first) first = track;
      last = track;
    }
    if (!first) continue;
    const std::uint8_t s = std::uint8_t(session);
    add(s, AdrControl(*first), 0xA0, {}, Msf{std::uint8_t(first->Number), 0x00, 0});
    add(s, AdrControl(*last), 0xA1, {}, Msf{std::uint8_t(last->Number), 0, 0});
    add(s, AdrControl(*last), 0xA2, {}, LbaToMsf(LeadOutOf(disc, session)));
    for (const Track* track = first; track <= last; ++track) add(s, AdrControl(*track), std::uint8_t(track->Number), {}, LbaToMsf(track->Start));
    if (!disc.Finalized && session == sessions && disc.IsSequential())
      add(s, 0x50, 0xB0, LbaToMsf(disc.InvisibleTrackStart()), LbaToMsf(disc.Capacity));
  }
  out[2] = 1;
  out[3] = std::uint8_t(sessions);
  Put16(out, 0, std::uint32_t(out.size() - 2));
  return DataIn(command, out, Get16(command.Cdb, 7));
}

Reply Atip(const Medium& disc, const Command& command) {
  if (disc.Kind != MediumKind::CdR && disc.Kind != MediumKind::CdRw) return Reply::Check(sense::InvalidFieldInCdb);
  std::vector<std::uint8_t> out(28, 0);
  Put16(out, 0, 26);
  out[4] = 0x50;  // indicative target writing power, reference speed
  out[5] = 0x00;
  out[6] = std::uint8_t(0x80 | (disc.Kind == MediumKind::CdRw ? 0x40 : 0x00));
  const Msf leadIn = LbaToMsf(-11'625);
  const Msf leadOut = LbaToMsf(disc.Capacity);
  out[8] = leadIn.Minute;
  out[9] = leadIn.Second;
  out[10] = leadIn.Frame;
  out[12] = leadOut.Minute;
  out[13] = leadOut.Second;
  out[14] = leadOut.Frame;
  return DataIn(command, out, Get16(command.Cdb, 7));
}

}  // namespace

Reply ReadToc(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const bool msf = command.At(1) & 0x02;
  std::uint8_t format = command.At(2) & 0x0F;
  if (format == 0 && (command.At(9) >> 6) != 0) format = command.At(9) >> 6;  // old-style format field
  switch (format) {
    case 0: return Toc(*state.Disc, command, msf);
    case 1: return SessionInfo(*state.Disc, command, msf);
    case 2: return FullToc(*state.Disc, command);
    case 4: return Atip(*state.Disc, command);
    default: return Reply::Check(sense::InvalidFieldInCdb);
  }
}

}  // namespace velmarond::vrec
