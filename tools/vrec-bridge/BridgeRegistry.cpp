#include "BridgeRegistry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <scsi/sg.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SgIoTranslation.h"

namespace velmarond::bridge {
namespace {

constexpr unsigned SrMajor = 11;
constexpr const char* DescriptorNamePrefix = "vrec-bridge";

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::string Hex(unsigned long value, int width = 0) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*lX", width, value);
  return text;
}

void Complain(const std::string& text) { WriteAll(STDERR_FILENO, "vrec-bridge: " + text + "\n"); }

}  // namespace

BridgeRegistry& BridgeRegistry::Instance() {
  // Never destroyed: programs still close descriptors from atexit handlers and static destructors.
  static BridgeRegistry* registry = new BridgeRegistry();
  return *registry;
}

BridgeRegistry::BridgeRegistry() {
  // Set-up runs inside whatever libc call comes first; the program must find errno as it left it
  // (growisofs reads errno after calls that succeed).
  const int savedErrno = errno;
  if (const char* spec = std::getenv("VELMAROND_BRIDGE"); spec && *spec) {
    auto parsed = ParseBridgeSpec(spec);
    if (parsed)
      Paths = std::move(parsed.Value());
    else
      Complain(parsed.GetError().Text);
  }
  if (const char* trace = std::getenv("VELMAROND_BRIDGE_TRACE"); trace && *trace)
    TraceFd = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  AdoptInherited();
  errno = savedErrno;
}

void BridgeRegistry::AdoptInherited() {
  const std::string marker = std::string("/memfd:") + DescriptorNamePrefix;
  DIR* fds = ::opendir("/proc/self/fd");
  if (!fds) return;
  while (const dirent* entry = ::readdir(fds)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    const int fd = std::atoi(entry->d_name);
    char target[256];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    std::string_view name(target, static_cast<std::size_t>(n));
    if (!name.starts_with(marker)) continue;
    name.remove_prefix(marker.size());
    if (const std::size_t space = name.find(' '); space != std::string_view::npos) name = name.substr(0, space);
    if (const BridgedPath* path = Match(std::string(name).c_str())) Descriptors[fd] = path;
  }
  ::closedir(fds);
}

void BridgeRegistry::AdoptDuplicate(int original, int duplicate) {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(original);
  if (found == Descriptors.end() || duplicate < 0) return;
  Descriptors[duplicate] = found->second;
  Trace("dup " + std::to_string(original) + " -> " + std::to_string(duplicate));
}

long BridgeRegistry::Read(int fd, void* out, std::size_t count, std::uint64_t offset) {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(fd);
  BridgeDevice* device = found == Descriptors.end() ? nullptr : DeviceFor(*found->second);
  if (!device) {
    errno = EBADF;
    return -1;
  }
  const long result = ReadMedium(*device, static_cast<std::uint8_t*>(out), count, offset);
  Trace("read " + std::to_string(count) + " at " + std::to_string(offset) + " -> " + std::to_string(result));
  if (result < 0) {
    errno = static_cast<int>(-result);
    return -1;
  }
  return result;
}

std::uint64_t BridgeRegistry::Size(int fd) {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(fd);
  BridgeDevice* device = found == Descriptors.end() ? nullptr : DeviceFor(*found->second);
  return device ? CapacityBytes(*device) : 0;
}

const BridgedPath* BridgeRegistry::Match(const char* path) const {
  if (!path) return nullptr;
  for (const BridgedPath& entry : Paths)
    if (entry.DevicePath == path) return &entry;
  return nullptr;
}

bool BridgeRegistry::IsBridged(int fd) const {
  std::lock_guard guard(Lock);
  return Descriptors.contains(fd);
}

struct stat BridgeRegistry::StatOf(const BridgedPath& path) const {
  struct stat info {};
  info.st_mode = S_IFBLK | 0660;
  info.st_rdev = makedev(SrMajor, path.Minor);
  info.st_dev = makedev(0, 5);
  info.st_ino = 0x7672'6563'0000ULL + path.Minor;
  info.st_nlink = 1;
  info.st_uid = ::getuid();
  info.st_gid = ::getgid();
  info.st_blksize = 2048;
  return info;
}

std::optional<struct stat> BridgeRegistry::StatOfDescriptor(int fd) const {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(fd);
  if (found == Descriptors.end()) return std::nullopt;
  return StatOf(*found->second);
}

BridgeDevice* BridgeRegistry::DeviceFor(const BridgedPath& path) {
  auto& loaded = Devices[path.DevicePath];
  if (!loaded.Device) {
    auto opened = OpenRecorderDevice(path.Folder);
    if (!opened) {
      Complain(path.DevicePath + ": " + opened.GetError().Text);
      return nullptr;
    }
    loaded.Device = std::move(opened.Value());
    loaded.Owner = ::getpid();
  }
  return loaded.Device.get();
}

int BridgeRegistry::Open(const BridgedPath& path, int flags) {
  std::lock_guard guard(Lock);
  if (!DeviceFor(path)) {
    errno = EIO;
    return -1;
  }
  // A real descriptor keeps the number unique, lets fcntl/flock locks work unchanged, holds the file
  // offset for read(), and names the device in /proc/self/fd so a program exec'd with it inherited
  // (growisofs hands the drive to mkisofs as /dev/fd/N) finds it again.
  const std::string name = DescriptorNamePrefix + path.DevicePath;
  const int fd = static_cast<int>(::syscall(SYS_memfd_create, name.c_str(), (flags & O_CLOEXEC) ? MFD_CLOEXEC : 0u));
  if (fd < 0) return -1;
  Descriptors[fd] = &path;
  return fd;
}

void BridgeRegistry::Forget(int fd) {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(fd);
  if (found == Descriptors.end()) return;
  const BridgedPath& path = *found->second;
  Descriptors.erase(found);
  for (const auto& [fd, other] : Descriptors)
    if (other == &path) return;
  // The last descriptor is gone: save and drop the recorder, so the next open (maybe by another
  // program) starts from what is on disk.
  auto& loaded = Devices[path.DevicePath];
  if (!loaded.Device) return;
  SaveIfOwner(path.DevicePath, loaded);
  loaded.Device.reset();
}

void BridgeRegistry::SaveAll() {
  std::lock_guard guard(Lock);
  for (auto& [devicePath, loaded] : Devices)
    if (loaded.Device) SaveIfOwner(devicePath, loaded);
}

void BridgeRegistry::SaveIfOwner(const std::string& devicePath, Loaded& loaded) {
  // A forked child holds a copy of its parent's recorder; only the process that loaded it saves.
  if (loaded.Owner != ::getpid()) return;
  if (auto saved = loaded.Device->Save(); !saved) Complain(devicePath + ": " + saved.GetError().Text);
}

int BridgeRegistry::Ioctl(int fd, unsigned long request, void* argument) {
  std::lock_guard guard(Lock);
  const auto found = Descriptors.find(fd);
  if (found == Descriptors.end()) {
    errno = EBADF;
    return -1;
  }
  BridgeDevice* device = DeviceFor(*found->second);
  if (!device) {
    errno = EIO;
    return -1;
  }
  if (request == SG_IO) return TracedSgIo(*device, *static_cast<sg_io_hdr_t*>(argument));
  const int result = RunDriveIoctl(*device, found->second->Minor, request, argument);
  Trace("ioctl " + Hex(request) + " -> " + std::to_string(result));
  if (result < 0) {
    errno = -result;
    return -1;
  }
  return result;
}

int BridgeRegistry::TracedSgIo(BridgeDevice& device, sg_io_hdr_t& request) {
  const int result = RunSgIo(device, request);
  if (TraceFd < 0) return result < 0 ? (errno = -result, -1) : 0;
  std::string line = "SG_IO";
  for (unsigned i = 0; request.cmdp && i < request.cmd_len; ++i) line += " " + Hex(request.cmdp[i], 2);
  line += " len=" + std::to_string(request.dxfer_len) + " status=" + Hex(request.status, 2);
  if (request.sb_len_wr >= 14)
    line += " sense=" + Hex(request.sbp[2] & 0x0F) + "/" + Hex(request.sbp[12], 2) + "/" + Hex(request.sbp[13], 2);
  line += " resid=" + std::to_string(request.resid);
  Trace(line);
  if (result < 0) {
    errno = -result;
    return -1;
  }
  return 0;
}

void BridgeRegistry::Trace(const std::string& line) const {
  if (TraceFd >= 0) WriteAll(TraceFd, std::to_string(::getpid()) + " " + line + "\n");
}

}  // namespace velmarond::bridge
