#include "platform/CompositePlatform.h"

#include <cerrno>

#include "device/LinuxScsiPlatform.h"

#include "vrec/VirtualPlatform.h"

namespace velmarond::platform {

using namespace velmarond::device;

CompositePlatform::CompositePlatform(std::vector<std::unique_ptr<ScsiPlatform>> parts) : Parts(std::move(parts)) {}

std::vector<DriveRoot> CompositePlatform::ListDrives() {
  std::vector<DriveRoot> all;
  std::map<char, ScsiPlatform*> owners;
  for (auto& part : Parts) {
    for (DriveRoot& root : part->ListDrives()) {
      if (owners.count(root.Letter) != 0) continue;  // an earlier platform already owns the letter
      owners[root.Letter] = part.get();
      all.push_back(std::move(root));
    }
  }
  std::lock_guard guard(Lock);
  Owners = std::move(owners);
  return all;
}

ScsiPlatform* CompositePlatform::PartOf(char letter) {
  {
    std::lock_guard guard(Lock);
    if (auto owner = Owners.find(letter); owner != Owners.end()) return owner->second;
  }
  ListDrives();
  std::lock_guard guard(Lock);
  auto owner = Owners.find(letter);
  return owner == Owners.end() ? nullptr : owner->second;
}

std::optional<CompositePlatform::OpenDrive> CompositePlatform::Find(DriveHandle handle) {
  std::lock_guard guard(Lock);
  auto open = Handles.find(handle);
  if (open == Handles.end()) return std::nullopt;
  return open->second;
}

DriveHandle CompositePlatform::Open(char letter, OpenMode mode) {
  ScsiPlatform* part = PartOf(letter);
  if (part == nullptr) {
    std::lock_guard guard(Lock);
    LastError = ENODEV;
    return InvalidHandle;
  }
  const DriveHandle inner = part->Open(letter, mode);
  std::lock_guard guard(Lock);
  if (inner == InvalidHandle) {
    LastError = part->LastSystemError();
    return InvalidHandle;
  }
  LastError = 0;
  const DriveHandle handle = NextHandle++;
  Handles[handle] = {part, inner};
  return handle;
}

void CompositePlatform::Close(DriveHandle handle) {
  auto open = Find(handle);
  if (!open) return;
  open->Part->Close(open->Inner);
  std::lock_guard guard(Lock);
  Handles.erase(handle);
}

std::optional<ScsiAddress> CompositePlatform::GetScsiAddress(DriveHandle handle) {
  auto open = Find(handle);
  return open ? open->Part->GetScsiAddress(open->Inner) : std::nullopt;
}

PassThroughResult CompositePlatform::PassThrough(DriveHandle handle, const PassThroughRequest& request) {
  auto open = Find(handle);
  if (!open) {
    PassThroughResult result;
    result.SystemError = EBADF;
    return result;
  }
  PassThroughResult result = open->Part->PassThrough(open->Inner, request);
  std::lock_guard guard(Lock);
  LastError = result.SystemError;
  return result;
}

int CompositePlatform::LastSystemError() const {
  std::lock_guard guard(Lock);
  return LastError;
}

std::unique_ptr<ScsiPlatform> MakeSystemPlatform() {
  std::vector<std::unique_ptr<ScsiPlatform>> parts;
  auto physical = std::make_unique<LinuxScsiPlatform>();
  char firstVirtual = 'V';
  for (const DriveRoot& root : physical->ListDrives()) firstVirtual = std::max<char>(firstVirtual, static_cast<char>(root.Letter + 1));
  parts.push_back(std::move(physical));
  parts.push_back(std::make_unique<vrec::VirtualPlatform>(vrec::RecorderFoldersFromEnvironment(), firstVirtual));
  return std::make_unique<CompositePlatform>(std::move(parts));
}

}  // namespace velmarond::platform
