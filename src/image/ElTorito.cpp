#include "image/ElTorito.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "image/EngineState.h"
#include "image/IsoHeader.h"

namespace velmarond::image {
namespace {

constexpr std::uint8_t ValidationHeaderId = 1;
constexpr std::uint8_t PlatformX86 = 0;
constexpr std::uint8_t Bootable = 0x88;
constexpr std::size_t CatalogSectorField = 71;
constexpr int ErrorOpeningFile = 2;

struct FileCloser {
  int Fd;
  ~FileCloser() {
    if (Fd >= 0) ::close(Fd);
  }
};

void PutLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t SectorsOf(std::uint64_t bytes) {
  return static_cast<std::uint32_t>((bytes + BootSectorBytes - 1) / BootSectorBytes);
}

Error OpenError(const std::string& path) { return MakeError("Error opening file " + path, ErrorOpeningFile); }

}  // namespace

std::optional<TBootImageKind> ClassifyBootImage(std::uint64_t size) {
  switch (size) {
    case 2048: return TBootImageKind{TBootMediaType::NoEmulation, 4};
    case 1228800: return TBootImageKind{TBootMediaType::Diskette12, 1};
    case 1474560: return TBootImageKind{TBootMediaType::Diskette144, 1};
    case 2949120: return TBootImageKind{TBootMediaType::Diskette288, 1};
    default: return std::nullopt;
  }
}

TBootSector MakeBootRecord(std::uint32_t catalogSector) {
  TBootSector sector{};
  constexpr std::string_view standard = "CD001";
  constexpr std::string_view system = "EL TORITO SPECIFICATION";
  std::memcpy(sector.data() + 1, standard.data(), standard.size());
  sector[6] = 1;
  std::memcpy(sector.data() + 7, system.data(), system.size());
  PutLe32(sector.data() + CatalogSectorField, catalogSector);
  return sector;
}

TBootSector MakeBootCatalog(TBootImageKind kind, std::uint32_t imageSector) {
  TBootSector sector{};
  std::uint8_t* validation = sector.data();
  validation[0] = ValidationHeaderId;
  validation[1] = PlatformX86;
  constexpr std::string_view idString = "Torva CD/DVD Burner";
  std::memcpy(validation + 4, idString.data(), idString.size());
  validation[30] = 0x55;
  validation[31] = 0xAA;
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 32; i += 2) sum = static_cast<std::uint16_t>(sum + validation[i] + (validation[i + 1] << 8));
  PutLe16(validation + 28, static_cast<std::uint16_t>(-sum));

  std::uint8_t* entry = sector.data() + 32;
  entry[0] = Bootable;
  entry[1] = static_cast<std::uint8_t>(kind.MediaType);
  PutLe16(entry + 6, kind.SectorCount);
  PutLe32(entry + 8, imageSector);
  return sector;
}

void TBootImage::Set(const std::string& path) {
  if (path.empty()) return;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !ClassifyBootImage(static_cast<std::uint64_t>(info.st_size))) return;
  FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat opened {};
  if (file.Fd < 0 || ::fstat(file.Fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
      !ClassifyBootImage(static_cast<std::uint64_t>(opened.st_size))) {
    Clear();
    return;
  }
  Path = path;
  Size = static_cast<std::uint64_t>(opened.st_size);
}

void TBootExtension::ReserveAfterDirectories(TEngineState& state, std::uint32_t& cursor) {
  state.Layout.BootCatalogSector = cursor++;
}

void TBootExtension::ReserveBeforeFileData(TEngineState& state, std::uint32_t& cursor) {
  state.Layout.BootImageSector = cursor;
  cursor += SectorsOf(Image.Bytes());
}

void TBootExtension::WriteDescriptorsAfterPrimary(const TEngineState& state, THeaderWriter& out) const {
  out.Append(MakeBootRecord(state.Layout.BootCatalogSector + state.SessionStart));
}

void TBootExtension::WriteAfterDirectories(const TEngineState& state, THeaderWriter& out) const {
  const auto kind = ClassifyBootImage(Image.Bytes());
  out.Append(MakeBootCatalog(kind.value_or(TBootImageKind{TBootMediaType::NoEmulation, 4}),
                             state.Layout.BootImageSector + state.SessionStart));
}

// Exactly the size taken when the property was set, padded to whole sectors: a file that has shrunk or cannot
// be read ends the write naming it instead of leaving a damaged boot image on the disc.
Result<void> TBootExtension::StreamBeforeFileData(const TEngineState&, ISectorSink& sink) {
  const std::string& path = Image.Get();
  FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.Fd < 0) return OpenError(path);
  std::vector<std::uint8_t> bytes(std::size_t{SectorsOf(Image.Bytes())} * BootSectorBytes, 0);
  std::size_t got = 0;
  while (got < Image.Bytes()) {
    const ssize_t n = ::read(file.Fd, bytes.data() + got, Image.Bytes() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return MakeError("Error reading file " + path, ErrorOpeningFile);
    got += static_cast<std::size_t>(n);
  }
  return sink.Append(bytes);
}

}  // namespace velmarond::image
