// A recorder folder on disk:
//
//   recorder.state   text, first line "velmarond-virtual-recorder 1", then KEY=VALUE lines: the drive
//                    (vendor, product, revision, speed_kbps, buffer_kib), the medium (medium, capacity,
//                    formatted, finalized, closed_sessions, session_end..., image, one "track=" line per
//                    track), the drive's run-time state (write_parameters, speeds, buffer, busy, cue, dao,
//                    fault=... lines) and sectors=FILE, the sector file this state belongs to.
//   sectors-N.bin    "VRSECT01", then one record per written sector: LBA (int64, little-endian),
//                    length (uint16, little-endian), the bytes.
//   lock             flock()ed while a process holds the recorder.
//
// Saving writes a new sector file (only when sectors changed) and a new state file, each to a temporary
// name, synced and renamed into place; the state names its sector file, so the folder always holds one
// complete, consistent recorder even when a save is cut short.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "vrec/Persistence.h"
#include "vrec/VirtualRecorder.h"

namespace velmarond::vrec {
namespace {

constexpr const char* StateMagic = "velmarond-virtual-recorder 1";
constexpr char SectorMagic[8] = {'V', 'R', 'S', 'E', 'C', 'T', '0', '1'};

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::vector<std::uint8_t> Unhex(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(std::uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

Result<void> WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return MakeError("cannot write " + temporary + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      return MakeError("cannot write " + temporary + ": " + std::strerror(error));
    }
    done += std::size_t(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    ::unlink(temporary.c_str());
    return MakeError("cannot write " + temporary + ": " + std::strerror(errno));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) return MakeError("cannot replace " + path + ": " + std::strerror(errno));
  return {};
}

std::string SerializeSectors(const SectorStore& sectors) {
  std::string out(SectorMagic, sizeof SectorMagic);
  sectors.ForEach([&](std::int64_t lba, std::span<const std::uint8_t> bytes) {
    char header[10];
    for (int i = 0; i < 8; ++i) header[i] = char(std::uint64_t(lba) >> (8 * i));
    header[8] = char(bytes.size() & 0xFF);
    header[9] = char(bytes.size() >> 8);
    out.append(header, sizeof header);
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  });
  return out;
}

Result<void> LoadSectors(const std::string& path, SectorStore& sectors) {
  std::ifstream in(path, std::ios::binary);
  char magic[8];
  if (!in.read(magic, 8) || std::memcmp(magic, SectorMagic, 8) != 0) return MakeError(path + " is not a sector file");
  std::uint8_t buffer[MaxSectorBytes];
  unsigned char header[10];
  while (in.read(reinterpret_cast<char*>(header), 10)) {
    std::uint64_t lba = 0;
    for (int i = 0; i < 8; ++i) lba |= std::uint64_t(header[i]) << (8 * i);
    const std::size_t length = header[8] | std::size_t(header[9]) << 8;
    if (length > MaxSectorBytes || !in.read(reinterpret_cast<char*>(buffer), std::streamsize(length)))
      return MakeError(path + " is damaged");
    sectors.Write(std::int64_t(lba), std::span<const std::uint8_t>(buffer, length));
  }
  return {};
}

std::string SerializeState(const RecorderState& s, const std::string& sectorFile) {
  std::ostringstream out;
  out << StateMagic << '\n';
  out << "vendor=" << s.Drive.Vendor << "\nproduct=" << s.Drive.Product << "\nrevision=" << s.Drive.Revision << '\n';
  out << "speed_kbps=" << s.Drive.SpeedKBps << "\nbuffer_kib=" << s.Drive.BufferKiB << '\n';
  out << "tray_open=" << s.TrayOpen << "\nevent_pending=" << s.MediumEventPending << '\n';
  out << "write_parameters=" << Hex(s.WriteParameters) << '\n';
  out << "selected_write=" << s.SelectedWriteKBps << "\nselected_read=" << s.SelectedReadKBps << '\n';
  out << "buffer=" << s.BufferFill << ' ' << s.BufferDrainedAtMs << '\n';
  if (s.Busy) out << "busy=" << int(s.Busy->Code.Key) << ' ' << int(s.Busy->Code.Asc) << ' ' << int(s.Busy->Code.Ascq) << ' '
                  << s.Busy->StartMs << ' ' << s.Busy->EndMs << '\n';
  if (!s.CueSheet.empty()) out << "cue=" << Hex(s.CueSheet) << "\ndao=" << s.DaoNext << ' ' << s.DaoLeadOut << '\n';
  for (const FaultRule& rule : s.Faults) out << "fault=" << FormatFaultRule(rule) << '\n';
  if (s.Disc) {
    const Medium& m = *s.Disc;
    out << "medium=" << MediumKindName(m.Kind) << "\ncapacity=" << m.Capacity << "\nformatted=" << m.Formatted
        << "\nfinalized=" << m.Finalized << "\nclosed_sessions=" << m.ClosedSessions << '\n';
    for (std::int64_t end : m.SessionEnds) out << "session_end=" << end << '\n';
    if (!m.ImagePath.empty()) out << "image=" << m.ImagePath << '\n';
    for (const Track& t : m.Tracks)
      out << "track=" << t.Number << ' ' << t.Session << ' ' << t.Start << ' ' << t.Pregap << ' ' << t.ReservedSize << ' '
          << t.Recorded << ' ' << t.Closed << ' ' << int(t.Kind) << ' ' << int(t.DataMode) << ' ' << t.BlockBytes << '\n';
    out << "sectors=" << sectorFile << '\n';
  } else {
    out << "medium=none\n";
  }
  return out.str();
}

Result<void> ApplyLine(RecorderState& s, std::string& sectorFile, const std::string& key, const std::string& value) {
  std::istringstream in(value);
  if (key == "vendor") s.Drive.Vendor = value;
  else if (key == "product") s.Drive.Product = value;
  else if (key == "revision") s.Drive.Revision = value;
  else if (key == "speed_kbps") in >> s.Drive.SpeedKBps;
  else if (key == "buffer_kib") in >> s.Drive.BufferKiB;
  else if (key == "tray_open") in >> s.TrayOpen;
  else if (key == "event_pending") in >> s.MediumEventPending;
  else if (key == "write_parameters") {
    const auto bytes = Unhex(value);
    if (bytes.size() != s.WriteParameters.size()) return MakeError("bad write_parameters");
    std::copy(bytes.begin(), bytes.end(), s.WriteParameters.begin());
  } else if (key == "selected_write") in >> s.SelectedWriteKBps;
  else if (key == "selected_read") in >> s.SelectedReadKBps;
  else if (key == "buffer") in >> s.BufferFill >> s.BufferDrainedAtMs;
  else if (key == "busy") {
    int k = 0, a = 0, q = 0;
    LongOperation op;
    in >> k >> a >> q >> op.StartMs >> op.EndMs;
    op.Code = SenseCode{std::uint8_t(k), std::uint8_t(a), std::uint8_t(q)};
    s.Busy = op;
  } else if (key == "cue") s.CueSheet = Unhex(value);
  else if (key == "dao") in >> s.DaoNext >> s.DaoLeadOut;
  else if (key == "fault") {
    auto rule = ParseFaultRule(value);
    if (!rule) return rule.GetError();
    s.Faults.push_back(*rule);
  } else if (key == "medium") {
    if (value == "none") return {};
    const auto kind = ParseMediumKind(value);
    if (!kind) return MakeError("unknown medium \"" + value + "\"");
    s.Disc = Medium{};
    s.Disc->Kind = *kind;
  } else if (!s.Disc) {
    return MakeError("\"" + key + "\" before the medium line");
  } else if (key == "capacity") in >> s.Disc->Capacity;
  else if (key == "formatted") in >> s.Disc->Formatted;
  else if (key == "finalized") in >> s.Disc->Finalized;
  else if (key == "closed_sessions") in >> s.Disc->ClosedSessions;
  else if (key == "session_end") {
    std::int64_t end = 0;
    in >> end;
    s.Disc->SessionEnds.push_back(end);
  } else if (key == "image") s.Disc->ImagePath = value;
  else if (key == "track") {
    Track t;
    int kind = 0, mode = 0;
    in >> t.Number >> t.Session >> t.Start >> t.Pregap >> t.ReservedSize >> t.Recorded >> t.Closed >> kind >> mode >> t.BlockBytes;
    t.Kind = static_cast<TrackKind>(kind);
    t.DataMode = std::uint8_t(mode);
    s.Disc->Tracks.push_back(t);
  } else if (key == "sectors") sectorFile = value;
  else return MakeError("unknown key \"" + key + "\"");
  if (in.fail() && key != "vendor" && key != "product" && key != "revision" && key != "image" && key != "sectors" &&
      key != "cue" && key != "write_parameters" && key != "fault")
    return MakeError("bad value for \"" + key + "\"");
  return {};
}

}  // namespace

std::string StatePath(const std::string& folder) { return folder + "/recorder.state"; }

Result<void> SaveRecorderState(const std::string& folder, const RecorderState& state, std::uint64_t& generation) {
  std::string sectorFile = "sectors-" + std::to_string(generation) + ".bin";
  const bool writeSectors = state.SectorsDirty || ::access((folder + "/" + sectorFile).c_str(), F_OK) != 0;
  const std::string previous = sectorFile;
  if (writeSectors && state.Disc) {
    sectorFile = "sectors-" + std::to_string(generation + 1) + ".bin";
    if (auto done = WriteFileAtomically(folder + "/" + sectorFile, SerializeSectors(state.Disc->Sectors)); !done) return done;
  }
  if (auto done = WriteFileAtomically(StatePath(folder), SerializeState(state, sectorFile)); !done) return done;
  if (writeSectors && state.Disc) {
    ::unlink((folder + "/" + previous).c_str());
    ++generation;
  }
  return {};
}

Result<RecorderState> LoadRecorderState(const std::string& folder, std::uint64_t& generation) {
  std::ifstream in(StatePath(folder));
  if (!in) return MakeError(folder + " is not a virtual recorder (no recorder.state)");
  std::string line;
  if (!std::getline(in, line) || line != StateMagic) return MakeError(StatePath(folder) + " is not a recorder state file");
  RecorderState state;
  std::string sectorFile;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) return MakeError(StatePath(folder) + ": bad line \"" + line + "\"");
    if (auto applied = ApplyLine(state, sectorFile, line.substr(0, equals), line.substr(equals + 1)); !applied)
      return MakeError(StatePath(folder) + ": " + applied.GetError().Text);
  }
  generation = 0;
  if (state.Disc && !sectorFile.empty()) {
    std::sscanf(sectorFile.c_str(), "sectors-%lu.bin", &generation);
    if (auto loaded = LoadSectors(folder + "/" + sectorFile, state.Disc->Sectors); !loaded) return loaded.GetError();
  }
  return state;
}

}  // namespace velmarond::vrec
