#pragma once
// Recorder folders: making one, putting a medium in or taking it out, and holding it against other
// processes while it is in use.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/Result.h"
#include "vrec/DriveDescription.h"
#include "vrec/MediumKind.h"

namespace velmarond::vrec {

struct InsertOptions {
  std::string ImageFile;                 // required for read-only media: the 2048-byte-block image
  std::optional<std::int64_t> Sectors;   // capacity override for recordable media
};

Result<void> CreateRecorder(const std::string& folder, const DriveDescription& drive);
Result<void> InsertMedium(const std::string& folder, MediumKind kind, const InsertOptions& options);
Result<void> EjectMedium(const std::string& folder);

// An exclusive flock on the folder's lock file for as long as the object lives. A second holder, in this
// or another process, gets a "busy" error.
class FolderLock {
 public:
  static Result<FolderLock> Acquire(const std::string& folder);
  FolderLock(FolderLock&& other) noexcept : Fd(other.Fd) { other.Fd = -1; }
  FolderLock& operator=(FolderLock&&) = delete;
  ~FolderLock();

 private:
  explicit FolderLock(int fd) : Fd(fd) {}
  int Fd = -1;
};

}  // namespace velmarond::vrec
