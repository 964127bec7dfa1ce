#pragma once
// The compilation as the UDF bridge sees it: a snapshot of the file table taken after the layout has sorted
// every directory and placed every file, so that the UDF side never reaches into the table while streaming.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace velmarond::udf {

inline constexpr std::uint32_t NotADirectory = std::numeric_limits<std::uint32_t>::max();

struct UdfTreeEntry {
  std::u16string Name;                       // the UDF name of a file, the long name of a directory
  std::uint32_t Directory = NotADirectory;   // index into UdfTree::Directories for a directory entry
  std::uint64_t Size = 0;                    // bytes; 0 for directories
  std::uint32_t Extent = 0;                  // first data sector: relative to the file data start, absolute when imported
  bool Imported = false;

  bool IsDirectory() const { return Directory != NotADirectory; }
};

struct UdfTreeDirectory {
  std::vector<UdfTreeEntry> Entries;  // in the directory's sorted order
};

struct UdfTree {
  std::vector<UdfTreeDirectory> Directories{1};  // index 0 is the root
};

}  // namespace velmarond::udf
