#pragma once
// The compilation file table: every directory and file of the image to build, in memory. The
// application (or the CLI) fills it just before a burn or an ISO save; the layout reads it and the
// sector producer streams the files it points at.

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/Result.h"

namespace velmarond::image {

inline constexpr std::uint32_t AttributeHidden = 0x02;
inline constexpr std::uint32_t AttributeDirectory = 0x10;
inline constexpr std::uint32_t AttributeNormal = 0x80;

inline constexpr std::size_t MaxFileEntries = 200000;
inline constexpr std::size_t MaxDirectories = 65000;
inline constexpr std::size_t MaxNameUnits = 217;

// A calendar time in local time, as the directory records carry it.
struct TDateTime {
  std::uint16_t Year = 1980;
  std::uint16_t Month = 1;
  std::uint16_t DayOfWeek = 0;
  std::uint16_t Day = 1;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint16_t Millisecond = 0;
};

// What the file system says about a source: the find record of an insertion.
struct TFindData {
  std::uint32_t Attributes = AttributeNormal;
  std::time_t LastWriteUtc = 0;  // seconds since 1970, UTC
  std::uint64_t Size = 0;
  std::u16string Name;           // disc name
  std::u16string AlternateName;  // suggested ISO name; empty lets the engine make one
};

// Called before an entry is created. `path` is null for directories and imported entries; the
// handler may change `fd`, and sets `skip` to keep the entry out of the table.
using TAddFileEvent = std::function<void(const std::string* path, TFindData& fd, bool& skip)>;

struct TDirEntry;

struct TFileEntry {
  std::string ShortName;     // ISO 9660 identifier (d-characters, unique in its directory after PrepareImage)
  std::u16string LongName;   // Joliet / ISO 9660:1999 / UDF name
  std::u16string UdfName;    // the name at creation, for the UDF identifier
  std::string SourcePath;    // file whose bytes are written; empty for directories and imported entries
  TDateTime Modified;        // local time of the source's last write
  std::int8_t ModifiedZone = 0;  // that local time's offset from UTC in 15-minute units
  std::uint32_t DataIndex = 0;
  std::uint64_t Size = 0;
  std::uint32_t Extent = 0;  // relative to the file data area, or absolute when Imported
  bool Imported = false;
  std::uint32_t Attributes = AttributeNormal;
  TFileEntry* Next = nullptr;
  TDirEntry* Directory = nullptr;  // set for directories
  std::string SourceDigest;
  std::uint32_t UdfEntryBlock = 0;

  // Names of the other trees, made valid and unique by PrepareImage.
  std::u16string JolietName;
  std::string Iso1999Name;

  bool IsDirectory() const { return Directory != nullptr; }
};

struct TDirEntry {
  TDirEntry* Parent = nullptr;  // the root is its own parent
  std::u16string LongName;
  std::string ShortName;
  std::uint32_t IsoSize = 0;
  std::uint32_t JolietSize = 0;
  std::uint32_t IsoOffset = 0;
  std::uint32_t JolietOffset = 0;
  std::uint16_t PathTableNumber = 0;
  TFileEntry* FirstChild = nullptr;
  TFileEntry* LastChild = nullptr;
  TFileEntry* Entry = nullptr;  // this directory's entry in its parent; null for the root
  std::size_t ChildCount = 0;
  // UDF bridge values.
  std::uint16_t UdfLinkCount = 0;
  std::uint64_t UdfInformationLength = 0;
  TFileEntry* UdfWalkCursor = nullptr;
  std::uint32_t UdfFileEntryBlock = 0;
  std::uint32_t UdfDataBlock = 0;
  // Exact-name index of the children, so that duplicate checks stay constant-time per insertion.
  std::unordered_map<std::u16string_view, TFileEntry*> ByName;

  bool IsRoot() const { return Parent == this; }
};

class TFileTable {
 public:
  TFileTable();
  TFileTable(const TFileTable&) = delete;
  TFileTable& operator=(const TFileTable&) = delete;

  void ClearAll();

  // Paths are backslash paths from the root ("\" for the root), the form the application uses.
  TDirEntry* FindDir(std::u16string_view path);
  Result<TDirEntry*> CreateDir(std::u16string_view parentPath, std::u16string_view name);
  Result<TFileEntry*> InsertFile(std::u16string_view parentPath, const std::string& sourcePath,
                                 std::u16string_view shortName, std::u16string_view name);

  // The same by directory: Linux names may contain '\', which a path cannot carry.
  Result<TDirEntry*> CreateDir(TDirEntry& parent, std::u16string_view name, std::time_t modified);
  Result<TFileEntry*> InsertFile(TDirEntry& parent, const std::string& sourcePath, std::u16string_view shortName,
                                 std::u16string_view name);
  // The common insertion step; `importedExtent` is 0 for new entries.
  Result<TFileEntry*> AddEntry(TDirEntry& directory, TFindData fd, std::uint32_t importedExtent,
                               const std::string* sourcePath);

  TDirEntry& Root() { return *Dirs.front(); }
  std::size_t FileCount() const { return Files.size(); }
  std::size_t DirCount() const { return Dirs.size(); }
  std::string FileSourcePath(std::size_t index) const;
  std::u16string FileLongName(std::size_t index) const;

  const std::vector<TFileEntry*>& FilesInOrder() const { return Files; }
  const std::vector<TDirEntry*>& DirsInCreationOrder() const { return Dirs; }
  std::vector<TDirEntry*>& DirsInPathTableOrder() { return PathTableOrder; }

  bool ReplaceFile = false;
  bool Prepared = false;
  TAddFileEvent OnAddFile;
  std::int8_t TimeZoneOffset = 0;  // of the moment ClearAll ran, in 15-minute units

 private:
  TFileEntry& NewEntry(TDirEntry& directory);
  static TDirEntry* FindChildDir(TDirEntry& directory, std::u16string_view name);

  std::deque<TFileEntry> EntryStore;
  std::deque<TDirEntry> DirStore;
  std::vector<TFileEntry*> Files;
  std::vector<TDirEntry*> Dirs;
  std::vector<TDirEntry*> PathTableOrder;
};

// Local time of a UTC instant, with that instant's own offset from UTC in 15-minute units.
TDateTime ToLocalTime(std::time_t utc, std::int8_t& zoneQuarterHours);
// Sectors needed for `bytes` bytes.
constexpr std::uint64_t SectorCount(std::uint64_t bytes) { return (bytes + 2047) / 2048; }

}  // namespace velmarond::image
