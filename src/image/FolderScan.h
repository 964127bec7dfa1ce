#pragma once
// Adds files and folders of the local file system to the file table, as a user adds them: folders
// recursively, symbolic links followed (a link back into its own ancestry is a cycle and skipped),
// only regular files and directories taken, every other kind skipped with a log line.

#include <functional>
#include <string>

#include "device/Result.h"
#include "image/FileTable.h"

namespace velmarond::image {

struct TScanTotals {
  std::size_t Files = 0;
  std::size_t Directories = 0;
  std::uint64_t Bytes = 0;
  std::size_t Skipped = 0;
};

using TScanLog = std::function<void(const std::string& line)>;

// Adds `sourcePath` (a file or a folder) under `parent`, named after its last path component.
// Fails on the first entry the table refuses (a duplicate name from another source, a full table,
// a name too long), naming it.
Result<void> AddSource(TFileTable& table, TDirEntry& parent, const std::string& sourcePath, TScanTotals& totals,
                       const TScanLog& log);

}  // namespace velmarond::image
