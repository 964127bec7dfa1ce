#include "vrec/VirtualPlatform.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "vrec/RecorderFolder.h"
#include "vrec/VirtualRecorder.h"

namespace velmarond::vrec {

// One loaded recorder with its folder lock, shared by every handle of this process that opened it:
// both engines may hold the same drive, and a second flock from the same process would refuse them.
class OpenRecorder {
 public:
  OpenRecorder(FolderLock lock, std::unique_ptr<VirtualRecorder> recorder)
      : Lock(std::move(lock)), Recorder(std::move(recorder)) {}
  ~OpenRecorder() { (void)Recorder->Save(); }
  VirtualRecorder& Model() { return *Recorder; }

 private:
  FolderLock Lock;
  std::unique_ptr<VirtualRecorder> Recorder;
};

namespace {

std::mutex RegistryLock;
std::map<std::string, std::weak_ptr<OpenRecorder>>& Registry() {
  static std::map<std::string, std::weak_ptr<OpenRecorder>> registry;
  return registry;
}

std::string CanonicalFolder(const std::string& folder) {
  char* resolved = ::realpath(folder.c_str(), nullptr);
  if (!resolved) return folder;
  std::string path = resolved;
  std::free(resolved);
  return path;
}

}  // namespace

VirtualPlatform::VirtualPlatform(std::vector<std::string> folders, char firstLetter)
    : Folders(std::move(folders)), FirstLetter(firstLetter) {}

VirtualPlatform::~VirtualPlatform() = default;  // dropping the handles saves recorders nobody else holds

std::vector<device::DriveRoot> VirtualPlatform::ListDrives() {
  std::vector<device::DriveRoot> drives;
  for (std::size_t i = 0; i < Folders.size() && FirstLetter + i <= 'Z'; ++i) {
    drives.push_back(device::DriveRoot{char(FirstLetter + i), device::DriveType::Optical, Folders[i],
                                       "Velmarond Virtual Recorder (" + Folders[i] + ")", true});
  }
  return drives;
}

device::DriveHandle VirtualPlatform::Open(char letter, device::OpenMode) {
  const std::size_t index = std::size_t(letter - FirstLetter);
  if (letter < FirstLetter || index >= Folders.size()) {
    LastError = ENODEV;
    LastText = std::string("no virtual recorder has the letter ") + letter;
    return device::InvalidHandle;
  }
  const std::string key = CanonicalFolder(Folders[index]);
  std::lock_guard guard(RegistryLock);
  std::shared_ptr<OpenRecorder> shared = Registry()[key].lock();
  if (!shared) {
    auto lock = FolderLock::Acquire(Folders[index]);
    if (!lock) {
      LastError = lock.GetError().Code ? lock.GetError().Code : EIO;
      LastText = lock.GetError().Text;
      return device::InvalidHandle;
    }
    auto recorder = VirtualRecorder::Load(Folders[index]);
    if (!recorder) {
      LastError = ENOENT;
      LastText = recorder.GetError().Text;
      return device::InvalidHandle;
    }
    shared = std::make_shared<OpenRecorder>(std::move(*lock), std::move(*recorder));
    Registry()[key] = shared;
  }
  const device::DriveHandle handle = NextHandle++;
  Handles[handle] = Handle{index, shared};
  LastError = 0;
  return handle;
}

void VirtualPlatform::Close(device::DriveHandle handle) {
  std::lock_guard guard(RegistryLock);
  auto found = Handles.find(handle);
  if (found == Handles.end()) return;
  (void)found->second.Recorder->Model().Save();
  Handles.erase(found);
}

std::optional<device::ScsiAddress> VirtualPlatform::GetScsiAddress(device::DriveHandle handle) {
  auto found = Handles.find(handle);
  if (found == Handles.end()) return std::nullopt;
  return device::ScsiAddress{unsigned(100 + found->second.Index), 0, 0, 0};
}

device::PassThroughResult VirtualPlatform::PassThrough(device::DriveHandle handle, const device::PassThroughRequest& request) {
  auto found = Handles.find(handle);
  if (found == Handles.end()) {
    device::PassThroughResult failed;
    failed.SystemError = EBADF;
    return failed;
  }
  return found->second.Recorder->Model().Execute(request.Cdb, request.Direction, request.Data, request.TimeoutMs);
}

std::vector<std::string> RecorderFoldersFromEnvironment() {
  std::vector<std::string> folders;
  const char* value = std::getenv("VELMAROND_VIRTUAL_RECORDERS");
  if (!value) return folders;
  std::string list = value;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t colon = std::min(list.find(':', start), list.size());
    if (colon > start) folders.push_back(list.substr(start, colon - start));
    start = colon + 1;
  }
  return folders;
}

}  // namespace velmarond::vrec
