#include "image/FileTable.h"

#include <sys/stat.h>

#include "image/IsoNames.h"
#include "image/TextCodec.h"

namespace velmarond::image {
namespace {

char16_t FoldCase(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::int8_t CurrentZoneQuarterHours() {
  std::int8_t zone = 0;
  ToLocalTime(std::time(nullptr), zone);
  return zone;
}

Result<void> CheckName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return MakeError("empty or reserved name");
  if (name.find(u'/') != std::u16string_view::npos || name.find(u'\0') != std::u16string_view::npos)
    return MakeError("a disc name cannot contain '/' or NUL");
  if (name.size() > MaxNameUnits)
    return MakeError("name longer than " + std::to_string(MaxNameUnits) + " characters: " + Utf16ToUtf8(name));
  return {};
}

}  // namespace

TDateTime ToLocalTime(std::time_t utc, std::int8_t& zoneQuarterHours) {
  std::tm local{};
  localtime_r(&utc, &local);
  long offset = local.tm_gmtoff;
  // Rounded down, as a negative offset that is not a whole quarter hour must still fit.
  zoneQuarterHours = static_cast<std::int8_t>(offset >= 0 ? offset / 900 : -((-offset + 899) / 900));
  TDateTime out;
  out.Year = static_cast<std::uint16_t>(local.tm_year + 1900);
  out.Month = static_cast<std::uint16_t>(local.tm_mon + 1);
  out.DayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  out.Day = static_cast<std::uint16_t>(local.tm_mday);
  out.Hour = static_cast<std::uint16_t>(local.tm_hour);
  out.Minute = static_cast<std::uint16_t>(local.tm_min);
  out.Second = static_cast<std::uint16_t>(local.tm_sec);
  return out;
}

TFileTable::TFileTable() { ClearAll(); }

void TFileTable::ClearAll() {
  TimeZoneOffset = CurrentZoneQuarterHours();
  Files.clear();
  Dirs.clear();
  PathTableOrder.clear();
  EntryStore.clear();
  DirStore.clear();
  TDirEntry& root = DirStore.emplace_back();
  root.Parent = &root;
  root.ShortName = "ROOT_DIR";
  Dirs.push_back(&root);
  PathTableOrder.push_back(&root);
  Prepared = false;
}

TDirEntry* TFileTable::FindChildDir(TDirEntry& directory, std::u16string_view name) {
  if (auto found = directory.ByName.find(name); found != directory.ByName.end()) {
    if (found->second->IsDirectory()) return found->second->Directory;
  }
  // A path typed in another letter case still finds a directory, as long as no exact match exists.
  for (TFileEntry* entry = directory.FirstChild; entry != nullptr; entry = entry->Next) {
    if (entry->IsDirectory() && EqualIgnoringCase(entry->LongName, name)) return entry->Directory;
  }
  return nullptr;
}

TDirEntry* TFileTable::FindDir(std::u16string_view path) {
  TDirEntry* current = &Root();
  std::size_t at = 0;
  while (at < path.size()) {
    while (at < path.size() && path[at] == u'\\') ++at;
    if (at == path.size()) break;
    const std::size_t end = std::min(path.find(u'\\', at), path.size());
    current = FindChildDir(*current, path.substr(at, end - at));
    if (current == nullptr) return nullptr;
    at = end;
  }
  return current;
}

TFileEntry& TFileTable::NewEntry(TDirEntry& directory) {
  TFileEntry& entry = EntryStore.emplace_back();
  if (directory.LastChild == nullptr) {
    directory.FirstChild = &entry;
  } else {
    directory.LastChild->Next = &entry;
  }
  directory.LastChild = &entry;
  ++directory.ChildCount;
  Files.push_back(&entry);
  return entry;
}

Result<TFileEntry*> TFileTable::AddEntry(TDirEntry& directory, TFindData fd, std::uint32_t importedExtent,
                                         const std::string* sourcePath) {
  if (OnAddFile) {
    bool skip = false;
    OnAddFile(sourcePath, fd, skip);
    if (skip) return MakeError("skipped: " + Utf16ToUtf8(fd.Name));
  }
  if (auto valid = CheckName(fd.Name); !valid) return valid.GetError();

  // Only an exact match is a duplicate: names that differ in letter case are different files here.
  TFileEntry* entry = nullptr;
  if (auto found = directory.ByName.find(fd.Name); found != directory.ByName.end()) {
    if (!ReplaceFile) return found->second;
    entry = found->second;
    if (entry->IsDirectory() != ((fd.Attributes & AttributeDirectory) != 0))
      return MakeError("a file and a directory cannot share the name " + Utf16ToUtf8(fd.Name));
  } else {
    if (Files.size() >= MaxFileEntries)
      return MakeError("the compilation is full (" + std::to_string(MaxFileEntries) + " entries)");
    entry = &NewEntry(directory);
    entry->LongName = std::move(fd.Name);
    entry->UdfName = entry->LongName;
    directory.ByName.emplace(entry->LongName, entry);
  }

  const bool isDirectory = (fd.Attributes & AttributeDirectory) != 0;
  entry->ShortName = IsoCandidateName(fd.AlternateName.empty() ? std::u16string_view(entry->LongName)
                                                               : std::u16string_view(fd.AlternateName),
                                      isDirectory ? IsoNameKind::Directory : IsoNameKind::File);
  entry->Modified = ToLocalTime(fd.LastWriteUtc, entry->ModifiedZone);
  entry->Size = isDirectory ? 0 : fd.Size;
  entry->SourcePath = sourcePath != nullptr ? *sourcePath : std::string();
  entry->Imported = importedExtent != 0;
  entry->Extent = importedExtent;
  entry->Attributes = fd.Attributes;
  Prepared = false;
  return entry;
}

Result<TFileEntry*> TFileTable::InsertFile(TDirEntry& parent, const std::string& sourcePath,
                                           std::u16string_view shortName, std::u16string_view name) {
  struct stat info {};
  if (::stat(sourcePath.c_str(), &info) != 0) return MakeError("cannot find " + sourcePath);
  if (!S_ISREG(info.st_mode)) return MakeError("not a regular file: " + sourcePath);
  TFindData fd;
  fd.Attributes = AttributeNormal;
  fd.LastWriteUtc = info.st_mtime;
  fd.Size = static_cast<std::uint64_t>(info.st_size);
  fd.Name = name;
  fd.AlternateName = shortName;
  return AddEntry(parent, std::move(fd), 0, &sourcePath);
}

Result<TFileEntry*> TFileTable::InsertFile(std::u16string_view parentPath, const std::string& sourcePath,
                                           std::u16string_view shortName, std::u16string_view name) {
  TDirEntry* parent = FindDir(parentPath);
  if (parent == nullptr) return MakeError("no folder " + Utf16ToUtf8(parentPath) + " in the compilation");
  return InsertFile(*parent, sourcePath, shortName, name);
}

Result<TDirEntry*> TFileTable::CreateDir(TDirEntry& parent, std::u16string_view name, std::time_t modified) {
  if (auto found = parent.ByName.find(name); found != parent.ByName.end()) {
    if (found->second->IsDirectory()) return found->second->Directory;
    return MakeError("a file and a directory cannot share the name " + Utf16ToUtf8(name));
  }
  if (Dirs.size() >= MaxDirectories)
    return MakeError("the compilation is full (" + std::to_string(MaxDirectories) + " folders)");
  TFindData fd;
  fd.Attributes = AttributeDirectory;
  fd.LastWriteUtc = modified;
  fd.Name = name;
  auto added = AddEntry(parent, std::move(fd), 0, nullptr);
  if (!added) return added.GetError();
  TFileEntry* entry = *added;
  TDirEntry& directory = DirStore.emplace_back();
  directory.Parent = &parent;
  directory.LongName = entry->LongName;
  directory.ShortName = entry->ShortName;
  directory.Entry = entry;
  entry->Directory = &directory;
  Dirs.push_back(&directory);
  PathTableOrder.push_back(&directory);
  return &directory;
}

Result<TDirEntry*> TFileTable::CreateDir(std::u16string_view parentPath, std::u16string_view name) {
  TDirEntry* parent = FindDir(parentPath);
  if (parent == nullptr) return MakeError("no folder " + Utf16ToUtf8(parentPath) + " in the compilation");
  return CreateDir(*parent, name, std::time(nullptr));
}

std::string TFileTable::FileSourcePath(std::size_t index) const {
  return index < Files.size() ? Files[index]->SourcePath : std::string();
}

std::u16string TFileTable::FileLongName(std::size_t index) const {
  return index < Files.size() ? Files[index]->LongName : std::u16string();
}

}  // namespace velmarond::image
