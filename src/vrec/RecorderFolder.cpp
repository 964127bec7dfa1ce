#include "vrec/RecorderFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vrec/Persistence.h"
#include "vrec/VirtualRecorder.h"

namespace velmarond::vrec {

Result<FolderLock> FolderLock::Acquire(const std::string& folder) {
  const std::string path = folder + "/lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return MakeError("cannot open " + path + ": " + std::strerror(errno), errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return MakeError("virtual recorder " + folder + " is busy (in use by another process)", EBUSY);
    return MakeError("cannot lock " + path + ": " + std::strerror(error), error);
  }
  return FolderLock(fd);
}

FolderLock::~FolderLock() {
  if (Fd >= 0) ::close(Fd);  // closing releases the flock
}

namespace {

// Loads, changes and saves a recorder while holding its folder.
template <typename Change>
Result<void> Update(const std::string& folder, Change&& change) {
  auto lock = FolderLock::Acquire(folder);
  if (!lock) return lock.GetError();
  auto recorder = VirtualRecorder::Load(folder);
  if (!recorder) return recorder.GetError();
  if (auto changed = change((*recorder)->State()); !changed) return changed;
  (*recorder)->State().SectorsDirty = true;
  return (*recorder)->Save();
}

}  // namespace

Result<void> CreateRecorder(const std::string& folder, const DriveDescription& drive) {
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return MakeError("cannot create " + folder + ": " + std::strerror(errno));
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return MakeError(folder + " is not a folder");
  if (::access(StatePath(folder).c_str(), F_OK) == 0) return MakeError(folder + " already holds a virtual recorder");
  if (drive.Vendor.size() > 8 || drive.Product.size() > 16 || drive.Revision.size() > 4)
    return MakeError("vendor, product and revision are at most 8, 16 and 4 characters");
  if (drive.BufferKiB == 0) return MakeError("the drive buffer must be at least 1 KiB");
  auto lock = FolderLock::Acquire(folder);
  if (!lock) return lock.GetError();
  RecorderState state;
  state.Drive = drive;
  ResetWriteParameters(state);
  std::uint64_t generation = 0;
  return SaveRecorderState(folder, state, generation);
}

Result<void> InsertMedium(const std::string& folder, MediumKind kind, const InsertOptions& options) {
  const bool readOnly = TraitsOf(kind).Recorded == Recording::ReadOnly;
  std::int64_t imageBlocks = 0;
  std::string image;
  if (readOnly) {
    if (options.ImageFile.empty()) return MakeError(std::string(MediumKindName(kind)) + " needs an image (--image FILE)");
    char* resolved = ::realpath(options.ImageFile.c_str(), nullptr);
    struct stat info {};
    if (!resolved || ::stat(resolved, &info) != 0 || !S_ISREG(info.st_mode)) {
      std::free(resolved);
      return MakeError("cannot read image " + options.ImageFile);
    }
    image = resolved;
    std::free(resolved);
    imageBlocks = (info.st_size + 2047) / 2048;
    if (imageBlocks == 0) return MakeError("image " + options.ImageFile + " is empty");
  } else if (!options.ImageFile.empty()) {
    return MakeError("an image can only be loaded as cd-rom, dvd-rom or bd-rom");
  }
  if (options.Sectors && (*options.Sectors <= 0 || *options.Sectors > 0x7FFFFFFF)) return MakeError("bad sector count");
  return Update(folder, [&](RecorderState& state) -> Result<void> {
    Medium medium = MakeBlankMedium(kind, readOnly ? std::optional<std::int64_t>(imageBlocks) : options.Sectors);
    if (readOnly) {
      medium.ImagePath = image;
      Track track;
      track.Number = 1;
      track.Session = 1;
      track.Start = 0;
      track.Recorded = imageBlocks;
      track.Closed = true;
      medium.Tracks.push_back(track);
      medium.ClosedSessions = 1;
      medium.SessionEnds.push_back(imageBlocks);
      medium.Finalized = true;
    }
    state.Disc = std::move(medium);
    state.TrayOpen = false;
    state.MediumEventPending = true;
    state.CueSheet.clear();
    state.Busy.reset();
    ResetWriteParameters(state);
    return {};
  });
}

Result<void> EjectMedium(const std::string& folder) {
  return Update(folder, [](RecorderState& state) -> Result<void> {
    if (!state.Disc) return MakeError("no medium in " + std::string("the virtual recorder"));
    state.Disc.reset();
    state.CueSheet.clear();
    state.Busy.reset();
    ResetWriteParameters(state);
    return {};
  });
}

}  // namespace velmarond::vrec
