#include "image/FolderScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "image/TextCodec.h"

namespace velmarond::image {
namespace {

struct TDirHandle {
  DIR* Dir = nullptr;
  ~TDirHandle() {
    if (Dir != nullptr) ::closedir(Dir);
  }
};

struct TNode {
  dev_t Device;
  ino_t Inode;
};

class TScanner {
 public:
  TScanner(TFileTable& table, TScanTotals& totals, const TScanLog& log) : Table(table), Totals(totals), Log(log) {}

  Result<void> Add(TDirEntry& parent, const std::string& path, const std::string& name, const struct stat& info) {
    if (S_ISREG(info.st_mode)) return AddFile(parent, path, name, info);
    if (S_ISDIR(info.st_mode)) return AddFolder(parent, path, name, info);
    Skip(path, "not a regular file or folder");
    return {};
  }

 private:
  void Skip(const std::string& path, const std::string& why) {
    ++Totals.Skipped;
    if (Log) Log("skipped " + path + ": " + why);
  }

  Result<void> AddFile(TDirEntry& parent, const std::string& path, const std::string& name, const struct stat& info) {
    TFindData fd;
    fd.Attributes = AttributeNormal;
    fd.LastWriteUtc = info.st_mtime;
    fd.Size = static_cast<std::uint64_t>(info.st_size);
    fd.Name = Utf8ToUtf16(name);
    auto added = Table.AddEntry(parent, std::move(fd), 0, &path);
    if (!added) return MakeError("cannot add " + path + ": " + added.GetError().Text);
    if ((*added)->SourcePath != path || (*added)->IsDirectory())
      return MakeError("cannot add " + path + ": another source already has that name in the same folder");
    ++Totals.Files;
    Totals.Bytes += static_cast<std::uint64_t>(info.st_size);
    return {};
  }

  Result<void> AddFolder(TDirEntry& parent, const std::string& path, const std::string& name, const struct stat& info) {
    const bool cycle = std::any_of(Ancestry.begin(), Ancestry.end(), [&](const TNode& node) {
      return node.Device == info.st_dev && node.Inode == info.st_ino;
    });
    if (cycle) {
      Skip(path, "a link back into one of its own parent folders");
      return {};
    }
    auto created = Table.CreateDir(parent, Utf8ToUtf16(name), info.st_mtime);
    if (!created) return MakeError("cannot add " + path + ": " + created.GetError().Text);
    ++Totals.Directories;

    TDirHandle dir;
    dir.Dir = ::opendir(path.c_str());
    if (dir.Dir == nullptr) return MakeError("cannot read folder " + path + ": " + std::strerror(errno));
    std::vector<std::string> names;
    while (dirent* item = ::readdir(dir.Dir)) {
      if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
      names.emplace_back(item->d_name);
    }
    // A stable order, so that the same tree always gives the same image.
    std::sort(names.begin(), names.end());
    Ancestry.push_back({info.st_dev, info.st_ino});
    const int dirFd = ::dirfd(dir.Dir);
    for (const std::string& child : names) {
      const std::string childPath = path + "/" + child;
      struct stat childInfo {};
      if (::fstatat(dirFd, child.c_str(), &childInfo, 0) != 0) {
        Skip(childPath, std::strerror(errno));
        continue;
      }
      if (auto added = Add(**created, childPath, child, childInfo); !added) {
        Ancestry.pop_back();
        return added;
      }
    }
    Ancestry.pop_back();
    return {};
  }

  TFileTable& Table;
  TScanTotals& Totals;
  const TScanLog& Log;
  std::vector<TNode> Ancestry;
};

std::string LastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const auto slash = trimmed.rfind('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

Result<void> AddSource(TFileTable& table, TDirEntry& parent, const std::string& sourcePath, TScanTotals& totals,
                       const TScanLog& log) {
  struct stat info {};
  if (::stat(sourcePath.c_str(), &info) != 0) return MakeError("cannot find " + sourcePath + ": " + std::strerror(errno));
  std::string name = LastComponent(sourcePath);
  if (name == "." || name == "..") {
    char resolved[PATH_MAX];
    if (::realpath(sourcePath.c_str(), resolved) != nullptr) name = LastComponent(resolved);
  }
  if (name.empty() || name == "/" || name == "." || name == "..")
    return MakeError("cannot name " + sourcePath + " on the disc; give its folder by name");
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return MakeError(sourcePath + " is not a regular file or folder");
  TScanner scanner(table, totals, log);
  return scanner.Add(parent, sourcePath, name, info);
}

}  // namespace velmarond::image
