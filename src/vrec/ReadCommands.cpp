// READ (10), READ (12) and READ CD: user data of recorded sectors; unrecorded areas are refused.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

// Reads one 2048-byte block of a read-only medium from its image.
bool ReadImageBlock(const Medium& disc, std::int64_t lba, std::span<std::uint8_t> out) {
  const int fd = ::open(disc.ImagePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::fill(out.begin(), out.end(), std::uint8_t(0));
  const ssize_t got = ::pread(fd, out.data(), 2048, lba * 2048);
  ::close(fd);
  return got >= 0;
}

Reply ReadBlocks(RecorderState& state, const Command& command, std::int64_t lba, std::int64_t blocks) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  const std::int64_t end = disc.IsOverwritable() ? (disc.Formatted ? disc.Capacity : 0) : disc.RecordedEnd();
  if (lba < 0 || lba + blocks > end) return Reply::Check(sense::LbaOutOfRange);
  if (command.Data.size() < std::size_t(blocks) * 2048) return Reply::Check(sense::InvalidFieldInCdb);
  std::uint8_t sector[MaxSectorBytes];
  for (std::int64_t i = 0; i < blocks; ++i) {
    auto out = command.Data.subspan(std::size_t(i) * 2048, 2048);
    if (disc.IsReadOnly()) {
      if (!ReadImageBlock(disc, lba + i, out)) return Reply::Check(SenseCode{0x3, 0x11, 0x00});
      continue;
    }
    const Track* track = disc.TrackAt(lba + i);
    if (track && track->Kind == TrackKind::Audio) return Reply::Check(sense::IllegalModeForTrack);
    const std::size_t stored = disc.Sectors.Read(lba + i, sector);
    if (stored == 0 && disc.IsSequential()) return Reply::Check(sense::LbaOutOfRange);
    // Raw 2352-byte data sectors carry their user data behind the 16-byte sync and header.
    const std::size_t offset = stored == MaxSectorBytes ? 16 : 0;
    std::copy_n(sector + offset, 2048, out.begin());
  }
  return Reply::Good(std::size_t(blocks) * 2048);
}

}  // namespace

Reply Read10(RecorderState& state, const Command& command) {
  return ReadBlocks(state, command, Get32(command.Cdb, 2), Get16(command.Cdb, 7));
}

Reply Read12(RecorderState& state, const Command& command) {
  return ReadBlocks(state, command, Get32(command.Cdb, 2), Get32(command.Cdb, 6));
}

Reply ReadCd(RecorderState& state, const Command& command) {
  if (auto missing = RequireMedium(state)) return *missing;
  const Medium& disc = *state.Disc;
  if (!disc.IsCd()) return Reply::Check(sense::IncompatibleMediumCannotRead);
  const std::uint8_t expected = (command.At(1) >> 2) & 0x07;
  const std::int64_t lba = std::int32_t(Get32(command.Cdb, 2));
  const std::int64_t blocks = Get24(command.Cdb, 6);
  const std::uint8_t fields = command.At(9);
  if ((command.At(10) & 0x07) != 0) return Reply::Check(sense::InvalidFieldInCdb);  // no sub-channel data
  if (fields == 0 || blocks == 0) return Reply::Good();
  std::size_t written = 0;
  std::uint8_t sector[MaxSectorBytes];
  for (std::int64_t i = 0; i < blocks; ++i) {
    const Track* track = disc.TrackAt(lba + i);
    if (!track || !disc.Sectors.IsWritten(lba + i)) return Reply::Check(sense::LbaOutOfRange);
    const bool audio = track->Kind == TrackKind::Audio;
    if ((expected == 1 && !audio) || (expected >= 2 && audio)) return Reply::Check(sense::IllegalModeForTrack);
    const std::size_t stored = disc.Sectors.Read(lba + i, sector);
    // Audio sectors are 2352 bytes whatever fields are asked for; data sectors give their user data.
    const bool raw = audio || (fields & 0xF8) == 0xF8;
    std::span<const std::uint8_t> part(sector, raw ? MaxSectorBytes : 2048);
    if (!audio && !raw && stored == MaxSectorBytes) part = std::span<const std::uint8_t>(sector + 16, 2048);
    if (!audio && raw && stored != MaxSectorBytes) return Reply::Check(sense::IllegalModeForTrack);
    if (written + part.size() > command.Data.size()) return Reply::Check(sense::InvalidFieldInCdb);
    std::copy(part.begin(), part.end(), command.Data.begin() + written);
    written += part.size();
  }
  return Reply::Good(written);
}

}  // namespace velmarond::vrec
