#include "device/EngineLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device/CommandNames.h"
#include "device/SenseTexts.h"

namespace velmarond::device {

namespace {

constexpr std::size_t DumpLimit = 100;

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof(text), format, values...);
  return text;
}

}  // namespace

std::string EngineLogLine(const EngineCommandBlock& block, bool passThroughMode, int systemError, unsigned minute,
                          unsigned second, unsigned millisecond) {
  std::string line;
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block.Buffer());
  if (address % 4 != 0) line += "- NAL -> " + std::to_string(block.DataAddressLow) + " ";
  line += Format("%0.2d:%0.2d:%0.3d ", minute, second, millisecond) + EngineCommandName(block.Opcode()) +
          Format(" (%0.2x) {%0.2x:%0.2x} - %0.1x:%0.1x:%0.1x <%0.2x> [%0.5x] ", block.Opcode(), block.Header.Flags,
                 block.CdbLength, block.Header.HostAdapter, block.Target, block.Lun, block.Header.Status,
                 block.DataLength);
  for (std::size_t i = 1; i < 16; ++i) line += Format("%0.2x ", block.Cdb[i]);
  line += "| ";
  if (block.Buffer() != nullptr) {
    const std::size_t dump = std::min<std::size_t>(DumpLimit, block.DataLength);
    for (std::size_t i = 0; i < dump; ++i) line += Format("%0.2x ", block.Buffer()[i]);
  }
  const DecodedSense sense = DecodeSense(block.Sense);
  line += Format("%0.2x:%0.2x", sense.Asc, sense.Ascq);
  if (passThroughMode) line += ", " + std::to_string(systemError);
  return line;
}

bool EngineLog::Open(const std::string& path) {
  std::lock_guard guard(Lock);
  if (Stream.is_open()) Stream.close();
  Stream.open(path, std::ios::binary | std::ios::trunc);
  if (!Stream) return false;
  Stream << "GetZAZAVersion\r\n";
  Stream.flush();
  return true;
}

void EngineLog::Close() {
  std::lock_guard guard(Lock);
  if (Stream.is_open()) Stream.close();
}

void EngineLog::Write(const std::string& text) {
  std::lock_guard guard(Lock);
  if (!Stream.is_open()) return;
  Stream << text;
  Stream.flush();
}

void EngineLog::LogCommand(const EngineCommandBlock& block, bool passThroughMode, int systemError) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto sinceHour = duration_cast<milliseconds>(now.time_since_epoch()) % hours(1);
  const auto ms = static_cast<unsigned>(sinceHour.count());
  Write(EngineLogLine(block, passThroughMode, systemError, ms / 60000, (ms / 1000) % 60, ms % 1000) + "\r\n");
}

std::string ProgramFolderLogPath() {
  std::filesystem::path folder;
  if (const char* home = std::getenv("VELMAROND_HOME"); home && *home) folder = home;
  else if (const char* user = std::getenv("HOME"); user && *user) folder = std::filesystem::path(user) / ".local/share/velmarond";
  else folder = ".";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return (folder / "engine.elg").string();
}

}  // namespace velmarond::device
