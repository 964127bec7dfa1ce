#pragma once
// The data engine's command log: one line per executed command, written to a file the user names.

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

#include "device/CommandBlock.h"

namespace velmarond::device {

class EngineLog {
 public:
  bool Open(const std::string& path);  // created anew, starting with the header line
  void Close();
  bool IsOpen() const { return Stream.is_open(); }
  void Write(const std::string& text);
  void LogCommand(const EngineCommandBlock& block, bool passThroughMode, int systemError);

 private:
  std::mutex Lock;
  std::ofstream Stream;
};

// The line for one command (without the trailing CR LF), for the given UTC time of day.
std::string EngineLogLine(const EngineCommandBlock& block, bool passThroughMode, int systemError, unsigned minute,
                          unsigned second, unsigned millisecond);

// Where the log that capability code 72 opens goes: engine.elg in the program folder
// ($VELMAROND_HOME, else ~/.local/share/velmarond/).
std::string ProgramFolderLogPath();

}  // namespace velmarond::device
