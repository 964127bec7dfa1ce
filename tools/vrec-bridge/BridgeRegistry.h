#pragma once
// The process-wide state of the preload bridge: which paths are bridged, the devices loaded behind
// them and the descriptors a program holds on them. Every member locks one mutex, so the threads of
// libburn and growisofs may use the bridge at once.

#include <scsi/sg.h>
#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "BridgeConfig.h"
#include "BridgeDevice.h"

namespace velmarond::bridge {

class BridgeRegistry {
 public:
  static BridgeRegistry& Instance();

  // The bridged entry for path, or nullptr when the path goes to the real system.
  const BridgedPath* Match(const char* path) const;
  bool IsBridged(int fd) const;

  // The metadata of a block device of the sr major for a bridged path.
  struct stat StatOf(const BridgedPath& path) const;
  std::optional<struct stat> StatOfDescriptor(int fd) const;

  // Opens a descriptor standing for the bridged device; -1 with errno set on failure.
  int Open(const BridgedPath& path, int flags);
  // A dup, dup2 or F_DUPFD of a bridged descriptor, or a reopen of it through /dev/fd/N.
  void AdoptDuplicate(int original, int duplicate);

  // read()/pread() of the medium at a byte offset; the bytes read, or -1 with errno set.
  long Read(int fd, void* out, std::size_t count, std::uint64_t offset);
  // The medium's size in bytes, for lseek(SEEK_END) and BLKGETSIZE64 alike.
  std::uint64_t Size(int fd);
  // Saves the device and forgets the descriptor; the caller closes it for real.
  void Forget(int fd);

  // Saves every loaded device: at exit, for programs that end without closing the drive.
  void SaveAll();

  // Runs one ioctl on a bridged descriptor; the return value of ioctl, or -1 with errno set.
  int Ioctl(int fd, unsigned long request, void* argument);

  // Writes one line to the trace file named by VELMAROND_BRIDGE_TRACE, if any.
  void Trace(const std::string& line) const;

  // Around fork: the parent releases the lock it took; the child, whose thread id differs from the
  // owner's, starts from a fresh mutex (the state it copied is consistent because the lock was held).
  void LockForFork() { Lock.lock(); }
  void UnlockInParent() { Lock.unlock(); }
  void ResetInChild() { new (&Lock) std::recursive_mutex(); }

 private:
  BridgeRegistry();
  struct Loaded {
    std::unique_ptr<BridgeDevice> Device;
    int Owner = 0;  // the pid that loaded it
  };
  void SaveIfOwner(const std::string& devicePath, Loaded& loaded);
  BridgeDevice* DeviceFor(const BridgedPath& path);
  // Descriptors a bridged parent left open across exec.
  void AdoptInherited();
  int TracedSgIo(BridgeDevice& device, sg_io_hdr_t& request);

  mutable std::recursive_mutex Lock;
  std::vector<BridgedPath> Paths;
  std::map<std::string, Loaded> Devices;     // by device path, loaded on first open
  std::map<int, const BridgedPath*> Descriptors;
  int TraceFd = -1;
};

}  // namespace velmarond::bridge
