// velmarond-cli scsi --drive L CDB-HEX [--in N] [--out FILE]: one raw command, for looking at a
// drive by hand.

#include <charconv>
#include <fstream>
#include <iostream>
#include <iterator>

#include "cli/CliCommand.h"
#include "cli/DriveOptions.h"
#include "device/Bytes.h"
#include "device/SenseTexts.h"

namespace velmarond::cli {

namespace {

std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == ',') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += c;
  }
  if (digits.empty() || digits.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string HexLine(std::span<const std::uint8_t> bytes) {
  std::string line;
  for (std::uint8_t b : bytes) line += device::Hex2(b) + " ";
  if (!line.empty()) line.pop_back();
  return line;
}

void PrintDump(std::span<const std::uint8_t> data) {
  for (std::size_t at = 0; at < data.size(); at += 16) {
    char offset[32];
    std::snprintf(offset, sizeof(offset), "%06zX  ", at);
    std::cout << offset << HexLine(data.subspan(at, std::min<std::size_t>(16, data.size() - at))) << '\n';
  }
}

// The received bytes as they came, for comparing with a file (a dump would hide nothing but is slow to compare).
bool SaveData(const std::string& path, std::span<const std::uint8_t> data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out.flush());
}

int RunScsi(const std::vector<std::string>& args) {
  DriveOptions options;
  if (auto problem = ParseDriveOptions(args, options)) return ReportError(*problem);
  std::string cdbText, outFile, saveFile;
  std::size_t inLength = 0;
  for (std::size_t i = 0; i < options.Rest.size(); ++i) {
    const std::string& arg = options.Rest[i];
    if ((arg == "--in" || arg == "--out" || arg == "--save") && i + 1 >= options.Rest.size()) return ReportError(arg + " needs a value");
    if (arg == "--in") {
      const std::string& value = options.Rest[++i];
      auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), inLength);
      if (error != std::errc{} || end != value.data() + value.size() || inLength > 0xFFFFFF)
        return ReportError("--in takes a byte count");
    } else if (arg == "--out") {
      outFile = options.Rest[++i];
    } else if (arg == "--save") {
      saveFile = options.Rest[++i];
    } else {
      cdbText += arg;
    }
  }
  auto cdb = ParseHex(cdbText);
  if (!cdb || (cdb->size() != 6 && cdb->size() != 10 && cdb->size() != 12 && cdb->size() != 16))
    return ReportError("the CDB must be 6, 10, 12 or 16 bytes of hex, e.g. 12 00 00 00 24 00");
  if (inLength != 0 && !outFile.empty()) return ReportError("--in and --out exclude each other");
  if (!saveFile.empty() && inLength == 0) return ReportError("--save needs --in N");
  std::vector<std::uint8_t> data(inLength);
  if (!outFile.empty()) {
    std::ifstream in(outFile, std::ios::binary);
    if (!in) return ReportError("cannot read " + outFile);
    data.assign(std::istreambuf_iterator<char>(in), {});
  }

  std::string error;
  auto session = OpenDrives(options, error);
  if (!session) return ReportError(error);
  if (auto problem = SelectDrive(*session, options)) return ReportError(*problem);
  const auto direction = inLength != 0 ? device::DataDirection::In
                         : outFile.empty() ? device::DataDirection::None
                                           : device::DataDirection::Out;
  device::EngineCommandBlock block{};
  const std::uint8_t status = session->Device->ExecuteRaw(*cdb, direction, data, block);
  const auto text = device::BuildLastErrorText(status, block.HostStatus, block.TargetStatus, block.Sense);
  std::cout << "status: " << device::Hex2(status) << "  host: " << device::Hex2(block.HostStatus)
            << "  target: " << device::Hex2(block.TargetStatus) << '\n'
            << "sense:  " << HexLine(std::span<const std::uint8_t>(block.Sense, 24)) << '\n'
            << "text:   " << (text.Text.empty() ? "-" : text.Text) << '\n';
  if (status == device::SrbStatus::Complete && direction == device::DataDirection::In) {
    // Drives and host adapters that cannot count leave the residual at 0; the reply's own length
    // field is then the only measure of a short transfer.
    const std::size_t residual = std::min<std::size_t>(data.size(), session->Device->LastResidual);
    const std::size_t received = data.size() - residual;
    std::cout << "data:   " << received << " bytes (asked " << data.size() << ", residual " << residual << ")\n";
    if (saveFile.empty()) {
      PrintDump(std::span<const std::uint8_t>(data.data(), received));
    } else if (!SaveData(saveFile, std::span<const std::uint8_t>(data.data(), received))) {
      return ReportError("cannot write " + saveFile);
    }
  }
  if (status != device::SrbStatus::Complete)
    return ReportError("the drive refused the command: " + (text.Text.empty() ? std::string("status ") + device::Hex2(status) : text.Text));
  return ExitSuccess;
}

const CliRegistration scsiVerb{{"scsi", "send one raw SCSI command and show status, sense and data",
                                "scsi --drive L CDB-HEX [--in N [--save FILE]] [--out FILE] [--log FILE]", RunScsi}};

}  // namespace
}  // namespace velmarond::cli
