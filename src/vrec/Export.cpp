#include "vrec/Export.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "vrec/Bytes.h"

namespace velmarond::vrec {
namespace {

// Output written to a temporary file and renamed into place, so a failed export leaves no partial file.
class AtomicOutput {
 public:
  explicit AtomicOutput(std::string path) : Target(std::move(path)), Temporary(Target + ".part") {
    Fd = ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  }
  ~AtomicOutput() {
    if (Fd >= 0) {
      ::close(Fd);
      ::unlink(Temporary.c_str());
    }
  }
  bool Opened() const { return Fd >= 0; }
  bool Append(std::span<const std::uint8_t> bytes) {
    if (!Pending.empty() && Pending.size() + bytes.size() > 1 << 20 && !Flush()) return false;
    Pending.insert(Pending.end(), bytes.begin(), bytes.end());
    return true;
  }
  Result<void> Commit() {
    if (!Flush() || ::fsync(Fd) != 0) return MakeError("cannot write " + Target + ": " + std::strerror(errno));
    ::close(Fd);
    Fd = -1;
    if (::rename(Temporary.c_str(), Target.c_str()) != 0) return MakeError("cannot write " + Target + ": " + std::strerror(errno));
    return {};
  }
  Error OpenError() const { return MakeError("cannot create " + Target + ": " + std::strerror(errno)); }

 private:
  bool Flush() {
    std::size_t done = 0;
    while (done < Pending.size()) {
      const ssize_t n = ::write(Fd, Pending.data() + done, Pending.size() - done);
      if (n < 0) return false;
      done += std::size_t(n);
    }
    Pending.clear();
    return true;
  }
  std::string Target, Temporary;
  int Fd = -1;
  std::vector<std::uint8_t> Pending;
};

// The user data a reader of the block sees: 2048 bytes, zeros where nothing (or audio) is recorded.
void UserData(const Medium& disc, std::int64_t lba, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t(0));
  if (disc.IsReadOnly()) {
    std::ifstream image(disc.ImagePath, std::ios::binary);
    image.seekg(lba * 2048);
    image.read(reinterpret_cast<char*>(out.data()), 2048);
    return;
  }
  const Track* track = disc.TrackAt(lba);
  if (track && track->Kind == TrackKind::Audio) return;
  std::uint8_t sector[MaxSectorBytes];
  const std::size_t stored = disc.Sectors.Read(lba, sector);
  const std::size_t offset = stored == MaxSectorBytes ? 16 : 0;
  std::copy_n(sector + offset, 2048, out.begin());
}

std::uint32_t Edc(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0;
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc >> 1) ^ (crc & 1 ? 0xD8018001u : 0u);
  }
  return crc;
}

std::uint8_t Bcd(int v) { return std::uint8_t(v / 10 << 4 | v % 10); }

// A mode 1 sector around 2048 bytes of user data: sync, header and EDC (the ECC bytes stay zero).
void Mode1Sector(std::int64_t lba, std::span<const std::uint8_t> user, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), std::uint8_t(0));
  std::fill(out.begin() + 1, out.begin() + 11, std::uint8_t(0xFF));
  const Msf msf = LbaToMsf(lba);
  out[12] = Bcd(msf.Minute);
  out[13] = Bcd(msf.Second);
  out[14] = Bcd(msf.Frame);
  out[15] = 1;
  std::copy(user.begin(), user.end(), out.begin() + 16);
  const std::uint32_t edc = Edc(out.first(2064));
  for (int i = 0; i < 4; ++i) out[2064 + i] = std::uint8_t(edc >> (8 * i));
}

std::string Time(std::int64_t blocks) {
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", (long long)(blocks / 4500), (long long)(blocks / 75 % 60),
                (long long)(blocks % 75));
  return text;
}

}  // namespace

Result<void> ExportIso(const RecorderState& state, const std::string& path, std::optional<std::uint32_t> session) {
  if (!state.Disc) return MakeError("no medium in the virtual recorder");
  const Medium& disc = *state.Disc;
  std::int64_t first = 0, end = disc.RecordedEnd();
  if (session) {
    const Track* found = nullptr;
    for (const Track& track : disc.Tracks) {
      if (track.Session == *session && track.Kind == TrackKind::Data && track.Recorded > 0) {
        found = &track;
        break;
      }
    }
    if (!found) return MakeError("session " + std::to_string(*session) + " holds no data track");
    first = found->Start;
    end = found->Start + found->Recorded;
  }
  if (end <= first) return MakeError("nothing is recorded on the medium");
  AtomicOutput out(path);
  if (!out.Opened()) return out.OpenError();
  std::uint8_t block[2048];
  for (std::int64_t lba = first; lba < end; ++lba) {
    UserData(disc, lba, block);
    if (!out.Append(block)) return MakeError("cannot write " + path + ": " + std::strerror(errno));
  }
  return out.Commit();
}

Result<void> ExportCue(const RecorderState& state, const std::string& cuePath) {
  if (!state.Disc || !state.Disc->IsCd()) return MakeError("BIN/CUE export needs a CD in the virtual recorder");
  const Medium& disc = *state.Disc;
  std::vector<const Track*> tracks;
  for (const Track& track : disc.Tracks) {
    if (track.Recorded > 0) tracks.push_back(&track);
  }
  if (tracks.empty()) return MakeError("nothing is recorded on the CD");
  if (tracks.back()->Session != tracks.front()->Session)
    return MakeError("a multi-session CD cannot be one BIN/CUE; export a session with --iso --session N");
  const std::string base = cuePath.size() > 4 && cuePath.ends_with(".cue") ? cuePath.substr(0, cuePath.size() - 4) : cuePath;
  const std::string binPath = base + ".bin";
  const std::string binName = binPath.substr(binPath.find_last_of('/') + 1);

  AtomicOutput bin(binPath);
  if (!bin.Opened()) return bin.OpenError();
  std::string cue = "FILE \"" + binName + "\" BINARY\n";
  const std::int64_t origin = tracks.front()->Start;
  std::uint8_t user[2048], sector[MaxSectorBytes];
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const Track& track = *tracks[i];
    const bool audio = track.Kind == TrackKind::Audio;
    char line[64];
    std::snprintf(line, sizeof line, "  TRACK %02u %s\n", track.Number, audio ? "AUDIO" : "MODE1/2352");
    cue += line;
    const std::int64_t from = i == 0 ? origin : tracks[i - 1]->Start + tracks[i - 1]->Recorded;
    if (track.Start > from) cue += "    INDEX 00 " + Time(from - origin) + "\n";
    cue += "    INDEX 01 " + Time(track.Start - origin) + "\n";
    for (std::int64_t lba = from; lba < track.Start + track.Recorded; ++lba) {
      if (audio) {
        disc.Sectors.Read(lba, sector);
      } else {
        UserData(disc, lba, user);
        Mode1Sector(lba, user, sector);
      }
      if (!bin.Append(std::span<const std::uint8_t>(sector, MaxSectorBytes))) return MakeError("cannot write " + binPath);
    }
  }
  if (auto done = bin.Commit(); !done) return done;
  AtomicOutput cueFile(cuePath);
  if (!cueFile.Opened()) return cueFile.OpenError();
  if (!cueFile.Append(std::span(reinterpret_cast<const std::uint8_t*>(cue.data()), cue.size()))) return MakeError("cannot write " + cuePath);
  return cueFile.Commit();
}

}  // namespace velmarond::vrec
