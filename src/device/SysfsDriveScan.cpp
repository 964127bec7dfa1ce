#include "device/SysfsDriveScan.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

namespace velmarond::device {

namespace fs = std::filesystem;

namespace {

constexpr int OpticalScsiType = 5;

std::string ReadTrimmed(const fs::path& file) {
  std::ifstream in(file);
  std::string text;
  std::getline(in, text);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::optional<unsigned> ParseUnsigned(std::string_view text) {
  unsigned value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<unsigned> SrNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return std::nullopt;
  return ParseUnsigned(std::string_view(name).substr(2));
}

// The device link of a block device points at the SCSI device directory, named H:C:T:L.
std::optional<ScsiAddress> AddressOf(const fs::path& deviceLink) {
  std::error_code error;
  fs::path target = fs::canonical(deviceLink, error);
  if (error) return std::nullopt;
  return ParseHctl(target.filename().string());
}

}  // namespace

std::optional<ScsiAddress> ParseHctl(const std::string& text) {
  std::vector<unsigned> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t colon = text.find(':', start);
    auto part = ParseUnsigned(std::string_view(text).substr(start, colon == std::string::npos ? std::string::npos
                                                                                                 : colon - start));
    if (!part) return std::nullopt;
    parts.push_back(*part);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() != 4) return std::nullopt;
  return ScsiAddress{parts[0], parts[1], parts[2], parts[3]};
}

char DriveLetterForNumber(unsigned number) {
  return number <= static_cast<unsigned>('Z' - 'D') ? static_cast<char>('D' + number) : 0;
}

std::vector<SysfsOpticalDrive> ScanSysfsOpticalDrives(const std::string& sysfsRoot) {
  std::vector<SysfsOpticalDrive> drives;
  std::error_code error;
  const fs::path classBlock = fs::path(sysfsRoot) / "class" / "block";
  for (const auto& entry : fs::directory_iterator(classBlock, error)) {
    const std::string name = entry.path().filename().string();
    auto number = SrNumber(name);
    if (!number) continue;
    const fs::path device = entry.path() / "device";
    if (ParseUnsigned(ReadTrimmed(device / "type")) != static_cast<unsigned>(OpticalScsiType)) continue;
    drives.push_back({*number, name, AddressOf(device), ReadTrimmed(device / "vendor"), ReadTrimmed(device / "model")});
  }
  std::sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) { return a.Number < b.Number; });
  return drives;
}

}  // namespace velmarond::device
