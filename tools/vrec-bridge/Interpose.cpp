// The libc entry points the bridge replaces when preloaded. Each one checks whether its path or
// descriptor is bridged and otherwise hands the call, unchanged, to the next definition (libc).

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <string>

#include "BridgeRegistry.h"

using velmarond::bridge::BridgedPath;
using velmarond::bridge::BridgeRegistry;

namespace {

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

#define NEXT(name) static const auto real = Next<decltype(&::name)>(#name)

BridgeRegistry& Registry() { return BridgeRegistry::Instance(); }

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) || (flags & __O_TMPFILE) == __O_TMPFILE ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

int OpenBridged(const BridgedPath& path, int flags) {
  const int fd = Registry().Open(path, flags);
  Registry().Trace("open " + path.DevicePath + " flags=" + std::to_string(flags) + " -> " + std::to_string(fd));
  return fd;
}

// Opening /dev/fd/N or /proc/self/fd/N of a bridged descriptor reopens the drive.
int AdoptReopen(const char* path, int fd) {
  if (fd < 0 || !path) return fd;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (std::strncmp(path, prefix.data(), prefix.size()) != 0) continue;
    char* end = nullptr;
    const long original = std::strtol(path + prefix.size(), &end, 10);
    if (end && *end == '\0' && Registry().IsBridged(static_cast<int>(original)))
      Registry().AdoptDuplicate(static_cast<int>(original), fd);
  }
  return fd;
}

// Resolves a path relative to dirfd only for the one case the programs use: AT_FDCWD or absolute.
const BridgedPath* MatchAt(int dirfd, const char* path) {
  if (!path || (path[0] != '/' && dirfd != AT_FDCWD)) return nullptr;
  return Registry().Match(path);
}

int FillStat(const BridgedPath& path, struct stat* out, const char* call) {
  Registry().Trace(std::string(call) + " " + path.DevicePath);
  *out = Registry().StatOf(path);
  return 0;
}

void FillStatx(const struct stat& info, struct statx* out) {
  std::memset(out, 0, sizeof *out);
  out->stx_mask = STATX_BASIC_STATS;
  out->stx_mode = static_cast<__u16>(info.st_mode);
  out->stx_nlink = static_cast<__u32>(info.st_nlink);
  out->stx_uid = info.st_uid;
  out->stx_gid = info.st_gid;
  out->stx_ino = info.st_ino;
  out->stx_blksize = static_cast<__u32>(info.st_blksize);
  out->stx_rdev_major = major(info.st_rdev);
  out->stx_rdev_minor = minor(info.st_rdev);
  out->stx_dev_major = major(info.st_dev);
  out->stx_dev_minor = minor(info.st_dev);
}

struct ForkGuard {
  ForkGuard() {
    pthread_atfork([] { Registry().LockForFork(); }, [] { Registry().UnlockInParent(); },
                   [] { Registry().ResetInChild(); });
  }
} forkGuard;

// growisofs, among others, exits with the drive still open; what it wrote must not be lost.
__attribute__((destructor)) void SaveAtExit() { Registry().SaveAll(); }

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (const BridgedPath* bridged = Registry().Match(path)) return OpenBridged(*bridged, flags);
  NEXT(open);
  return AdoptReopen(path, real(path, flags, mode));
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (const BridgedPath* bridged = Registry().Match(path)) return OpenBridged(*bridged, flags);
  NEXT(open64);
  return AdoptReopen(path, real(path, flags, mode));
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (const BridgedPath* bridged = MatchAt(dirfd, path)) return OpenBridged(*bridged, flags);
  NEXT(openat);
  return AdoptReopen(path, real(dirfd, path, flags, mode));
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (const BridgedPath* bridged = MatchAt(dirfd, path)) return OpenBridged(*bridged, flags);
  NEXT(openat64);
  return AdoptReopen(path, real(dirfd, path, flags, mode));
}

// The fortified variants programs built with _FORTIFY_SOURCE call instead of open.
int __open_2(const char* path, int flags) { return open(path, flags); }
int __open64_2(const char* path, int flags) { return open64(path, flags); }
int __openat_2(int dirfd, const char* path, int flags) { return openat(dirfd, path, flags); }
int __openat64_2(int dirfd, const char* path, int flags) { return openat64(dirfd, path, flags); }

int close(int fd) {
  if (Registry().IsBridged(fd)) {
    Registry().Trace("close " + std::to_string(fd));
    Registry().Forget(fd);
  }
  NEXT(close);
  return real(fd);
}

int dup(int fd) {
  NEXT(dup);
  const int duplicate = real(fd);
  Registry().AdoptDuplicate(fd, duplicate);
  return duplicate;
}

int dup2(int fd, int target) {
  NEXT(dup2);
  if (fd != target && Registry().IsBridged(target)) Registry().Forget(target);
  const int duplicate = real(fd, target);
  if (fd != target) Registry().AdoptDuplicate(fd, duplicate);
  return duplicate;
}

int dup3(int fd, int target, int flags) {
  NEXT(dup3);
  if (Registry().IsBridged(target)) Registry().Forget(target);
  const int duplicate = real(fd, target, flags);
  Registry().AdoptDuplicate(fd, duplicate);
  return duplicate;
}

int fcntl(int fd, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  NEXT(fcntl);
  const int result = real(fd, command, argument);
  if (command == F_DUPFD || command == F_DUPFD_CLOEXEC) Registry().AdoptDuplicate(fd, result);
  return result;
}
int fcntl64(int fd, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return fcntl(fd, command, argument);
}

// The file offset lives in the real descriptor, so dup'd descriptors share it as with a device.
ssize_t read(int fd, void* out, size_t count) {
  NEXT(read);
  if (!Registry().IsBridged(fd)) return real(fd, out, count);
  static const auto realSeek = Next<decltype(&::lseek)>("lseek");
  const off_t offset = realSeek(fd, 0, SEEK_CUR);
  const long n = Registry().Read(fd, out, count, static_cast<std::uint64_t>(offset));
  if (n > 0) realSeek(fd, offset + n, SEEK_SET);
  return n;
}

ssize_t pread(int fd, void* out, size_t count, off_t offset) {
  NEXT(pread);
  if (!Registry().IsBridged(fd)) return real(fd, out, count, offset);
  return Registry().Read(fd, out, count, static_cast<std::uint64_t>(offset));
}
ssize_t pread64(int fd, void* out, size_t count, off64_t offset) { return pread(fd, out, count, offset); }

off_t lseek(int fd, off_t offset, int whence) {
  NEXT(lseek);
  if (whence == SEEK_END && Registry().IsBridged(fd))
    return real(fd, static_cast<off_t>(Registry().Size(fd)) + offset, SEEK_SET);
  return real(fd, offset, whence);
}
off64_t lseek64(int fd, off64_t offset, int whence) { return lseek(fd, offset, whence); }

int ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  if (Registry().IsBridged(fd)) return Registry().Ioctl(fd, request, argument);
  NEXT(ioctl);
  return real(fd, request, argument);
}

int stat(const char* path, struct stat* out) {
  if (const BridgedPath* bridged = Registry().Match(path)) return FillStat(*bridged, out, "stat");
  NEXT(stat);
  return real(path, out);
}

int lstat(const char* path, struct stat* out) {
  if (const BridgedPath* bridged = Registry().Match(path)) return FillStat(*bridged, out, "lstat");
  NEXT(lstat);
  return real(path, out);
}

int fstat(int fd, struct stat* out) {
  if (auto info = Registry().StatOfDescriptor(fd)) {
    *out = *info;
    return 0;
  }
  NEXT(fstat);
  return real(fd, out);
}

int fstatat(int dirfd, const char* path, struct stat* out, int flags) {
  if (const BridgedPath* bridged = MatchAt(dirfd, path)) return FillStat(*bridged, out, "fstatat");
  if (path[0] == '\0' && (flags & AT_EMPTY_PATH)) {
    if (auto info = Registry().StatOfDescriptor(dirfd)) {
      *out = *info;
      return 0;
    }
  }
  NEXT(fstatat);
  return real(dirfd, path, out, flags);
}

// On 64-bit Linux struct stat64 and struct stat are the same layout.
int stat64(const char* path, struct stat64* out) { return stat(path, reinterpret_cast<struct stat*>(out)); }
int lstat64(const char* path, struct stat64* out) { return lstat(path, reinterpret_cast<struct stat*>(out)); }
int fstat64(int fd, struct stat64* out) { return fstat(fd, reinterpret_cast<struct stat*>(out)); }
int fstatat64(int dirfd, const char* path, struct stat64* out, int flags) {
  return fstatat(dirfd, path, reinterpret_cast<struct stat*>(out), flags);
}

// Programs linked against glibc before 2.33 reach stat through these versioned entry points.
int __xstat(int, const char* path, struct stat* out) { return stat(path, out); }
int __lxstat(int, const char* path, struct stat* out) { return lstat(path, out); }
int __fxstat(int, int fd, struct stat* out) { return fstat(fd, out); }
int __xstat64(int, const char* path, struct stat64* out) { return stat64(path, out); }
int __lxstat64(int, const char* path, struct stat64* out) { return lstat64(path, out); }
int __fxstat64(int, int fd, struct stat64* out) { return fstat64(fd, out); }
int __fxstatat(int, int dirfd, const char* path, struct stat* out, int flags) {
  return fstatat(dirfd, path, out, flags);
}

int statx(int dirfd, const char* path, int flags, unsigned mask, struct statx* out) {
  const BridgedPath* bridged = MatchAt(dirfd, path);
  if (bridged) {
    Registry().Trace("statx " + bridged->DevicePath);
    FillStatx(Registry().StatOf(*bridged), out);
    return 0;
  }
  NEXT(statx);
  return real(dirfd, path, flags, mask, out);
}

int access(const char* path, int mode) {
  if (const BridgedPath* bridged = Registry().Match(path)) {
    Registry().Trace("access " + bridged->DevicePath);
    return 0;
  }
  NEXT(access);
  return real(path, mode);
}

int faccessat(int dirfd, const char* path, int mode, int flags) {
  if (const BridgedPath* bridged = MatchAt(dirfd, path)) {
    Registry().Trace("faccessat " + bridged->DevicePath);
    return 0;
  }
  NEXT(faccessat);
  return real(dirfd, path, mode, flags);
}

}  // extern "C"
