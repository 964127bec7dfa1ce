#pragma once
// Running the independent readers from the tests and filling a file table from a source folder.

#include <cstdio>
#include <filesystem>
#include <string>

#include "image/FileTable.h"
#include "image/TextCodec.h"

namespace velmarond::image::testing {

struct TCommandResult {
  int ExitCode = -1;
  std::string Output;  // stdout and stderr together
};

inline std::string Quoted(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline TCommandResult RunCommand(const std::string& command) {
  TCommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.Output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Adds the folder's contents under `parent`, disc names equal to the source names.
inline void AddFolder(TFileTable& table, TDirEntry& parent, const std::filesystem::path& folder) {
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    const std::u16string name = Utf8ToUtf16(item.path().filename().string());
    if (item.is_directory()) {
      auto dir = table.CreateDir(parent, name, 0);
      if (dir) AddFolder(table, **dir, item.path());
    } else {
      (void)table.InsertFile(parent, item.path().string(), u"", name);
    }
  }
}

}  // namespace velmarond::image::testing
