// WRITE (10)/(12) at the next writable address, SYNCHRONIZE CACHE and RESERVE TRACK.

#include <algorithm>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"
#include "vrec/Recording.h"

namespace velmarond::vrec {
namespace {

// Bytes per block of a CD track written with this write parameters page.
std::optional<std::uint32_t> CdBlockBytes(std::uint8_t dataBlockType) {
  switch (dataBlockType) {
    case 0: return 2352;
    case 8: case 10: return 2048;
    case 9: return 2336;
    case 11: return 2056;
    case 12: return 2324;
    case 13: return 2332;
    default: return std::nullopt;
  }
}

// Room in the drive buffer, or NOT READY (long write in progress) when the block does not fit yet.
std::optional<Reply> FillBuffer(RecorderState& state, std::size_t bytes) {
  DrainBuffer(state);
  if (EffectiveWriteKBps(state) == 0) return std::nullopt;
  const std::int64_t size = std::int64_t(state.Drive.BufferKiB) * 1024;
  if (state.BufferFill > 0 && state.BufferFill + std::int64_t(bytes) > size) return Reply::Check(sense::LongWriteInProgress);
  state.BufferFill += std::int64_t(bytes);
  return std::nullopt;
}

void StoreBlocks(RecorderState& state, std::int64_t lba, std::int64_t blocks, std::span<const std::uint8_t> data,
                 std::uint32_t blockBytes) {
  for (std::int64_t i = 0; i < blocks; ++i) state.Disc->Sectors.Write(lba + i, data.subspan(std::size_t(i) * blockBytes, blockBytes));
  state.SectorsDirty = true;
}

Reply WriteOverwritable(RecorderState& state, const Command& command, std::int64_t lba, std::int64_t blocks) {
  Medium& disc = *state.Disc;
  if (!disc.Formatted) {
    // A blank DVD+RW starts its background format on the first write; BD-RE must be formatted first.
    if (disc.Kind != MediumKind::DvdPlusRw) return Reply::Check(sense::CannotWriteIncompatibleFormat);
    disc.Formatted = true;
  }
  if (lba < 0 || lba + blocks > disc.Capacity) return Reply::Check(sense::LbaOutOfRange);
  if (disc.Kind == MediumKind::DvdRwRestricted && (lba % 16 != 0 || blocks % 16 != 0))
    return Reply::Check(sense::InvalidAddressForWrite);  // whole ECC blocks only
  if (auto full = FillBuffer(state, std::size_t(blocks) * 2048)) return *full;
  StoreBlocks(state, lba, blocks, command.Data, 2048);
  return Reply::Good(std::size_t(blocks) * 2048);
}

// The track a sequential write at lba goes to: an open track whose next writable address it is, or a
// new track at the start of the invisible track.
Track* TargetTrack(RecorderState& state, std::int64_t lba) {
  Medium& disc = *state.Disc;
  for (Track& track : disc.Tracks) {
    if (track.Open() && track.NextWritable() == lba) return &track;
  }
  if (!disc.HasInvisibleTrack() || lba != disc.InvisibleTrackStart()) return nullptr;
  Track track;
  track.Number = std::uint32_t(disc.Tracks.size() + 1);
  track.Session = disc.OpenSession();
  track.Start = lba;
  track.Pregap = disc.IsCd() && lba > 0 ? 150 : 0;
  if (disc.IsCd()) {
    const std::uint8_t blockType = state.WriteParameters[4] & 0x0F;
    track.BlockBytes = CdBlockBytes(blockType).value_or(2048);
    track.Kind = blockType == 0 && !(state.WriteParameters[3] & 0x04) ? TrackKind::Audio : TrackKind::Data;
    track.DataMode = blockType == 8 ? 1 : 2;
  }
  disc.Tracks.push_back(track);
  return &disc.Tracks.back();
}

Reply WriteDiscAtOnce(RecorderState& state, const Command& command, std::int64_t lba, std::int64_t blocks) {
  Medium& disc = *state.Disc;
  if (lba != state.DaoNext) return Reply::Check(sense::InvalidAddressForWrite);
  if (lba + blocks > state.DaoLeadOut) return Reply::Check(sense::LbaOutOfRange);
  const Track* first = disc.TrackAt(lba);
  const std::uint32_t blockBytes = first ? first->BlockBytes : 2352;
  if (command.Data.size() < std::size_t(blocks) * blockBytes) return Reply::Check(sense::InvalidFieldInCdb);
  if (auto full = FillBuffer(state, std::size_t(blocks) * blockBytes)) return *full;
  StoreBlocks(state, lba, blocks, command.Data, blockBytes);
  for (std::int64_t i = 0; i < blocks; ++i) {
    for (Track& track : disc.Tracks) {
      if (track.Open() && lba + i >= track.Start && lba + i < track.Start + track.ReservedSize) ++track.Recorded;
    }
  }
  state.DaoNext += blocks;
  return Reply::Good(std::size_t(blocks) * blockBytes);
}

Reply WriteSequential(RecorderState& state, const Command& command, std::int64_t lba, std::int64_t blocks) {
  Medium& disc = *state.Disc;
  if (disc.Finalized) return Reply::Check(sense::InvalidAddressForWrite);
  if (!state.CueSheet.empty()) return WriteDiscAtOnce(state, command, lba, blocks);
  if (disc.IsCd() && (state.WriteParameters[2] & 0x0F) == 2) return Reply::Check(sense::CommandSequenceError);  // no cue sheet
  if (disc.IsCd() && !CdBlockBytes(state.WriteParameters[4] & 0x0F)) return Reply::Check(sense::IllegalModeForTrack);
  Track* track = TargetTrack(state, lba);
  if (track == nullptr) return Reply::Check(sense::InvalidAddressForWrite);
  const std::int64_t end = track->ReservedSize ? track->Start + track->ReservedSize : disc.Capacity;
  if (lba + blocks > end) return Reply::Check(sense::LbaOutOfRange);
  if (command.Data.size() < std::size_t(blocks) * track->BlockBytes) return Reply::Check(sense::InvalidFieldInCdb);
  if (auto full = FillBuffer(state, std::size_t(blocks) * track->BlockBytes)) return *full;
  StoreBlocks(state, lba, blocks, command.Data, track->BlockBytes);
  track->Recorded += blocks;
  return Reply::Good(std::size_t(blocks) * track->BlockBytes);
}

Reply WriteBlocks(RecorderState& state, const Command& command, std::int64_t lba, std::int64_t blocks) {
  if (auto missing = RequireMedium(state)) return *missing;
  if (state.Disc->IsReadOnly()) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  if (blocks == 0) return Reply::Good();
  if (command.Direction != device::DataDirection::Out) return Reply::Check(sense::InvalidFieldInCdb);
  if (state.Disc->IsOverwritable()) {
    if (command.Data.size() < std::size_t(blocks) * 2048) return Reply::Check(sense::InvalidFieldInCdb);
    return WriteOverwritable(state, command, lba, blocks);
  }
  return WriteSequential(state, command, lba, blocks);
}

}  // namespace

Reply Write10(RecorderState& state, const Command& command) {
  return WriteBlocks(state, command, std::int32_t(Get32(command.Cdb, 2)), Get16(command.Cdb, 7));
}

Reply Write12(RecorderState& state, const Command& command) {
  return WriteBlocks(state, command, std::int32_t(Get32(command.Cdb, 2)), Get32(command.Cdb, 6));
}

Reply SynchronizeCache(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  DrainBuffer(state);
  const std::uint32_t speed = EffectiveWriteKBps(state);
  if (speed != 0 && state.BufferFill > 0) {
    const bool immediate = command.At(1) & 0x02;
    if (immediate) {
      StartLongOperation(state, sense::LongWriteInProgress, state.BufferFill);
    } else {
      const std::int64_t needed = state.BufferFill / speed + 1;
      state.Time->SleepMs(std::min<std::int64_t>(needed, command.TimeoutMs));
      if (needed > command.TimeoutMs) {
        Reply late;
        late.TimedOut = true;
        return late;
      }
    }
  }
  state.BufferFill = 0;
  Medium& disc = *state.Disc;
  if (disc.IsCd() && disc.IsSequential()) {
    if (!state.CueSheet.empty()) {
      if (state.DaoNext >= state.DaoLeadOut) CloseDiscAtOnceSession(state);
    } else if (Track* open = disc.OpenUnreservedTrack(); open && (state.WriteParameters[2] & 0x0F) == 1) {
      open->Closed = true;  // track-at-once: flushing the cache ends the track
    }
  }
  return Reply::Good();
}

Reply ReserveTrack(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  Medium& disc = *state.Disc;
  if (!disc.IsSequential()) return Reply::Check(sense::CannotWriteIncompatibleFormat);
  if ((command.At(1) & 0x01) != 0) return Reply::Check(sense::InvalidFieldInCdb);  // reservation by address
  const std::int64_t size = disc.AlignUp(Get32(command.Cdb, 5));
  if (size == 0 || !state.CueSheet.empty() || !disc.HasInvisibleTrack()) return Reply::Check(sense::InvalidFieldInCdb);
  const std::int64_t start = disc.InvisibleTrackStart();
  if (start + size > disc.Capacity) return Reply::Check(sense::InvalidFieldInCdb);
  Track track;
  track.Number = std::uint32_t(disc.Tracks.size() + 1);
  track.Session = disc.OpenSession();
  track.Start = start;
  track.ReservedSize = size;
  disc.Tracks.push_back(track);
  return Reply::Good();
}

}  // namespace velmarond::vrec
