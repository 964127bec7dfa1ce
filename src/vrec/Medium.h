#pragma once
// The medium in the drive: its kind, tracks and sessions, formatted state and written sectors, with
// the layout questions every command asks (next writable address, disc status, ...).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vrec/MediumKind.h"
#include "vrec/SectorStore.h"

namespace velmarond::vrec {

enum class TrackKind : std::uint8_t { Data, Audio };

struct Track {
  std::uint32_t Number = 0;
  std::uint32_t Session = 0;
  std::int64_t Start = 0;         // first block of index 1
  std::int64_t Pregap = 0;        // blocks of index 0 before Start (CD)
  std::int64_t ReservedSize = 0;  // fixed size of a reserved track, 0 when not reserved
  std::int64_t Recorded = 0;      // blocks written from Start
  bool Closed = false;
  TrackKind Kind = TrackKind::Data;
  std::uint8_t DataMode = 1;      // 1 mode 1, 2 mode 2
  std::uint32_t BlockBytes = 2048;

  std::int64_t Size() const { return Closed || ReservedSize == 0 ? Recorded : ReservedSize; }
  std::int64_t NextWritable() const { return Start + Recorded; }
  bool Open() const { return !Closed; }
};

enum class DiscStatus : std::uint8_t { Blank = 0, Appendable = 1, Complete = 2, RandomWritable = 3 };
enum class SessionState : std::uint8_t { Empty = 0, Incomplete = 1, Complete = 3 };

struct Medium {
  MediumKind Kind = MediumKind::CdR;
  std::int64_t Capacity = 0;        // user blocks available for recording
  bool Formatted = false;           // overwritable media
  bool Finalized = false;           // sequential media: complete, nothing more can be written
  std::uint32_t ClosedSessions = 0;
  std::vector<std::int64_t> SessionEnds;  // lead-out start of each closed session
  std::vector<Track> Tracks;
  std::string ImagePath;            // read-only media: the image the sectors come from
  SectorStore Sectors;

  const MediumTraits& Traits() const { return TraitsOf(Kind); }
  bool IsSequential() const { return Traits().Recorded == Recording::Sequential; }
  bool IsOverwritable() const { return Traits().Recorded == Recording::Overwritable; }
  bool IsReadOnly() const { return Traits().Recorded == Recording::ReadOnly; }
  bool IsCd() const { return Traits().Family == MediumFamily::Cd; }

  DiscStatus Status() const;
  SessionState LastSessionState() const;
  std::uint32_t SessionCount() const;      // as disc information counts them (with an empty last session)
  std::uint32_t OpenSession() const { return ClosedSessions + 1; }

  // The invisible track: the unrecorded rest of the disc after the last track, when there is one.
  bool HasInvisibleTrack() const;
  std::int64_t InvisibleTrackStart() const;
  std::uint32_t LastTrackNumber() const;   // including the invisible track
  std::uint32_t FirstTrackOfLastSession() const;
  Track* FindTrack(std::uint32_t number);
  const Track* FindTrack(std::uint32_t number) const;
  const Track* TrackAt(std::int64_t lba) const;
  Track* OpenUnreservedTrack();
  std::int64_t RecordedEnd() const;        // one past the last recorded user block
  std::int64_t AlignUp(std::int64_t lba) const;
};

// A blank medium of a kind (read-only kinds need an image; see RecorderFolder).
Medium MakeBlankMedium(MediumKind kind, std::optional<std::int64_t> sectors = {});

}  // namespace velmarond::vrec
