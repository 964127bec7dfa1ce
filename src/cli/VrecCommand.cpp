// velmarond-cli vrec: make, load, inspect, fault and drive virtual recorders.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/CliCommand.h"
#include "vrec/Export.h"
#include "vrec/RecorderFolder.h"
#include "vrec/VirtualRecorder.h"

namespace velmarond::cli {
namespace {

using namespace velmarond::vrec;

const char* Usage =
    "vrec create DIR [--vendor V --product P --revision R] [--speed KBPS] [--buffer-kib N]\n"
    "       vrec insert DIR MEDIUM [--image FILE] [--sectors N]    (cd-r cd-rw dvd-r dvd-rw dvd-rw-ro dvd+r dvd+r-dl\n"
    "                                                               dvd+rw dvd-ram bd-r bd-re hd-dvd-r cd-rom dvd-rom bd-rom)\n"
    "       vrec eject DIR\n"
    "       vrec show DIR [--json]\n"
    "       vrec export DIR (--iso OUT [--session N] | --cue OUT.cue)\n"
    "       vrec fault DIR add KEY=VALUE...  (opcode=HH occurrence=N lba=A-B action=check|busy|timeout|remove sense=K/AA/QQ repeat=N)\n"
    "       vrec fault DIR clear\n"
    "       vrec exec DIR CDB-HEX [--in N] [--out FILE]";

// Options after the positional arguments: --name value pairs and bare flags.
struct Options {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;
};

Options Split(const std::vector<std::string>& args, std::size_t from) {
  Options options;
  for (std::size_t i = from; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) == 0) {
      const std::string& name = args[i];
      const bool flag = name == "--json" || i + 1 >= args.size();
      options.Values[name] = flag ? std::string() : args[i + 1];
      if (!flag) ++i;
    } else {
      options.Positional.push_back(args[i]);
    }
  }
  return options;
}

std::optional<std::int64_t> Number(const std::string& text) {
  try {
    std::size_t used = 0;
    const long long value = std::stoll(text, &used);
    if (used == text.size() && value >= 0) return value;
  } catch (...) {
  }
  return std::nullopt;
}

int Fail(const Error& error) { return ReportError(error.Text); }

// Holds the folder and its loaded recorder for one verb; saves when asked.
struct Held {
  std::optional<FolderLock> Lock;
  std::unique_ptr<VirtualRecorder> Recorder;
};

Result<Held> Hold(const std::string& folder) {
  auto lock = FolderLock::Acquire(folder);
  if (!lock) return lock.GetError();
  auto recorder = VirtualRecorder::Load(folder);
  if (!recorder) return recorder.GetError();
  Held held;
  held.Lock.emplace(std::move(*lock));
  held.Recorder = std::move(*recorder);
  return held;
}

int Create(const std::vector<std::string>& args) {
  if (args.size() < 2) return ReportError("vrec create needs DIR");
  const Options o = Split(args, 2);
  DriveDescription drive;
  if (o.Values.count("--vendor")) drive.Vendor = o.Values.at("--vendor");
  if (o.Values.count("--product")) drive.Product = o.Values.at("--product");
  if (o.Values.count("--revision")) drive.Revision = o.Values.at("--revision");
  for (const auto& [name, field] : {std::pair{"--speed", &drive.SpeedKBps}, std::pair{"--buffer-kib", &drive.BufferKiB}}) {
    if (!o.Values.count(name)) continue;
    const auto value = Number(o.Values.at(name));
    if (!value || *value > 0xFFFFFFFF) return ReportError(std::string("bad value for ") + name);
    *field = std::uint32_t(*value);
  }
  if (auto done = CreateRecorder(args[1], drive); !done) return Fail(done.GetError());
  return ExitSuccess;
}

int Insert(const std::vector<std::string>& args) {
  if (args.size() < 3) return ReportError("vrec insert needs DIR and MEDIUM");
  const auto kind = ParseMediumKind(args[2]);
  if (!kind) return ReportError("unknown medium \"" + args[2] + "\"");
  const Options o = Split(args, 3);
  InsertOptions options;
  if (o.Values.count("--image")) options.ImageFile = o.Values.at("--image");
  if (o.Values.count("--sectors")) {
    options.Sectors = Number(o.Values.at("--sectors"));
    if (!options.Sectors) return ReportError("bad sector count");
  }
  if (auto done = InsertMedium(args[1], *kind, options); !done) return Fail(done.GetError());
  return ExitSuccess;
}

const char* StatusName(DiscStatus status) {
  switch (status) {
    case DiscStatus::Blank: return "blank";
    case DiscStatus::Appendable: return "appendable";
    default: return "complete";
  }
}

int Show(const std::vector<std::string>& args) {
  if (args.size() < 2) return ReportError("vrec show needs DIR");
  auto held = Hold(args[1]);
  if (!held) return Fail(held.GetError());
  const RecorderState& s = held->Recorder->State();
  const bool json = Split(args, 2).Values.count("--json");
  const Medium* disc = s.Disc ? &*s.Disc : nullptr;
  const std::int64_t capacity = disc ? disc->Capacity : 0;
  const std::int64_t free = !disc || disc->IsReadOnly() || disc->Finalized ? 0
                            : disc->IsOverwritable() ? capacity - disc->RecordedEnd()
                                                     : capacity - disc->InvisibleTrackStart();
  std::ostringstream out;
  if (json) {
    out << "{\"drive\": {\"vendor\": \"" << s.Drive.Vendor << "\", \"product\": \"" << s.Drive.Product << "\", \"revision\": \""
        << s.Drive.Revision << "\", \"speed_kbps\": " << s.Drive.SpeedKBps << ", \"buffer_kib\": " << s.Drive.BufferKiB << "}, ";
    out << "\"tray_open\": " << (s.TrayOpen ? "true" : "false") << ", \"medium\": ";
    if (disc) out << '"' << MediumKindName(disc->Kind) << "\", \"disc_status\": \"" << StatusName(disc->Status()) << '"';
    else out << "null, \"disc_status\": null";
    out << ", \"sessions\": [";
    if (disc) {
      for (std::uint32_t session = 1; session <= disc->SessionCount(); ++session) {
        out << (session > 1 ? ", " : "") << "{\"number\": " << session << ", \"tracks\": [";
        bool first = true;
        for (const Track& t : disc->Tracks) {
          if (t.Session != session) continue;
          out << (first ? "" : ", ") << "{\"number\": " << t.Number << ", \"start\": " << t.Start << ", \"size\": "
              << (disc->IsOverwritable() ? disc->Capacity : t.Size()) << ", \"mode\": \""
              << (t.Kind == TrackKind::Audio ? "audio" : t.DataMode == 2 ? "mode2" : "mode1") << "\"}";
          first = false;
        }
        out << "]}";
      }
    }
    out << "], \"capacity_blocks\": " << capacity << ", \"free_blocks\": " << free << "}\n";
  } else {
    out << "drive: " << s.Drive.Vendor << ' ' << s.Drive.Product << ' ' << s.Drive.Revision << ", speed "
        << (s.Drive.SpeedKBps ? std::to_string(s.Drive.SpeedKBps) + " kB/s" : std::string("unlimited")) << ", buffer "
        << s.Drive.BufferKiB << " KiB\n";
    if (!disc) {
      out << "medium: none" << (s.TrayOpen ? " (tray open)" : "") << '\n';
    } else {
      out << "medium: " << MediumKindName(disc->Kind) << ", " << StatusName(disc->Status())
          << (disc->IsOverwritable() ? (disc->Formatted ? ", formatted" : ", unformatted") : "") << '\n';
      for (const Track& t : disc->Tracks)
        out << "  session " << t.Session << " track " << t.Number << ": start " << t.Start << ", size "
            << (disc->IsOverwritable() ? disc->Capacity : t.Size()) << ", "
            << (t.Kind == TrackKind::Audio ? "audio" : "data") << (t.Closed ? "" : ", open") << '\n';
      out << "capacity: " << capacity << " blocks, free: " << free << " blocks\n";
    }
    for (const FaultRule& rule : s.Faults) out << "fault: " << FormatFaultRule(rule) << '\n';
  }
  std::cout << out.str();
  return ExitSuccess;
}

int Export(const std::vector<std::string>& args) {
  if (args.size() < 2) return ReportError("vrec export needs DIR");
  const Options o = Split(args, 2);
  auto held = Hold(args[1]);
  if (!held) return Fail(held.GetError());
  const RecorderState& s = held->Recorder->State();
  Result<void> done;
  if (o.Values.count("--iso")) {
    std::optional<std::uint32_t> session;
    if (o.Values.count("--session")) {
      const auto n = Number(o.Values.at("--session"));
      if (!n || *n == 0) return ReportError("bad session number");
      session = std::uint32_t(*n);
    }
    done = ExportIso(s, o.Values.at("--iso"), session);
  } else if (o.Values.count("--cue")) {
    done = ExportCue(s, o.Values.at("--cue"));
  } else {
    return ReportError("vrec export needs --iso OUT or --cue OUT.cue");
  }
  return done ? ExitSuccess : Fail(done.GetError());
}

int Fault(const std::vector<std::string>& args) {
  if (args.size() < 3 || (args[2] != "add" && args[2] != "clear")) return ReportError("vrec fault needs DIR add ... or DIR clear");
  auto held = Hold(args[1]);
  if (!held) return Fail(held.GetError());
  auto& faults = held->Recorder->State().Faults;
  if (args[2] == "clear") {
    faults.clear();
  } else {
    std::string text;
    for (std::size_t i = 3; i < args.size(); ++i) text += args[i] + ' ';
    auto rule = ParseFaultRule(text);
    if (!rule) return Fail(rule.GetError());
    faults.push_back(*rule);
  }
  auto saved = held->Recorder->Save();
  return saved ? ExitSuccess : Fail(saved.GetError());
}

int Exec(const std::vector<std::string>& args) {
  if (args.size() < 3) return ReportError("vrec exec needs DIR and CDB-HEX");
  std::vector<std::uint8_t> cdb;
  std::string hex;
  for (char c : args[2]) if (c != ' ' && c != ':') hex += c;
  if (hex.size() % 2 != 0 || hex.empty() || hex.size() > 32) return ReportError("CDB-HEX must be 6 to 16 bytes of hex");
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const auto byte = hex.substr(i, 2);
    if (byte.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return ReportError("CDB-HEX is not hex");
    cdb.push_back(std::uint8_t(std::stoi(byte, nullptr, 16)));
  }
  const Options o = Split(args, 3);
  std::vector<std::uint8_t> data;
  device::DataDirection direction = device::DataDirection::None;
  if (o.Values.count("--in")) {
    const auto n = Number(o.Values.at("--in"));
    if (!n || *n > (16 << 20)) return ReportError("bad --in length");
    data.assign(std::size_t(*n), 0);
    direction = device::DataDirection::In;
  } else if (o.Values.count("--out")) {
    std::ifstream file(o.Values.at("--out"), std::ios::binary);
    if (!file) return ReportError("cannot read " + o.Values.at("--out"));
    data.assign(std::istreambuf_iterator<char>(file), {});
    direction = device::DataDirection::Out;
  }
  auto held = Hold(args[1]);
  if (!held) return Fail(held.GetError());
  const auto result = held->Recorder->Execute(cdb, direction, data);
  if (auto saved = held->Recorder->Save(); !saved) return Fail(saved.GetError());
  char line[64];
  if (result.TimedOut) std::snprintf(line, sizeof line, "status=timeout sense=-");
  else if (result.SenseLength)
    std::snprintf(line, sizeof line, "status=%02X sense=%X/%02X/%02X", result.ScsiStatus, result.Sense[2] & 0x0F, result.Sense[12], result.Sense[13]);
  else std::snprintf(line, sizeof line, "status=%02X sense=-", result.ScsiStatus);
  std::cout << line << '\n';
  if (direction == device::DataDirection::In) {
    const std::size_t count = data.size() - result.Residual;
    for (std::size_t i = 0; i < count; i += 16) {
      std::string row;
      for (std::size_t j = i; j < std::min(count, i + 16); ++j) {
        std::snprintf(line, sizeof line, "%02X ", data[j]);
        row += line;
      }
      row.pop_back();
      std::cout << row << '\n';
    }
  }
  return result.ScsiStatus == 0 && !result.TimedOut ? ExitSuccess : ExitFailure;
}

int Run(const std::vector<std::string>& args) {
  static const std::map<std::string, int (*)(const std::vector<std::string>&)> verbs = {
      {"create", Create}, {"insert", Insert}, {"eject", [](const std::vector<std::string>& a) {
         if (a.size() < 2) return ReportError("vrec eject needs DIR");
         auto done = EjectMedium(a[1]);
         return done ? ExitSuccess : Fail(done.GetError());
       }},
      {"show", Show}, {"export", Export}, {"fault", Fault}, {"exec", Exec}};
  // "vrec bridge" is the preload bridge's own verb, kept beside the recorder's other subcommands.
  if (!args.empty() && args[0] == "bridge") {
    if (const CliCommand* bridge = CliRegistry::Instance().Find("vrec-bridge")) {
      return bridge->Run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
  }
  if (args.empty() || !verbs.count(args[0])) {
    std::cerr << "usage: velmarond-cli " << Usage << '\n';
    return ExitUsage;
  }
  return verbs.at(args[0])(args);
}

const CliRegistration registration{{"vrec", "create, load, inspect and drive virtual recorders", Usage, Run}};

}  // namespace
}  // namespace velmarond::cli
