#pragma once
// El Torito: a boot record volume descriptor, a one-sector boot catalog with a validation entry and one
// default entry, and the boot image itself, streamed from its file like any source.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "image/FileTable.h"
#include "image/ImageExtension.h"

namespace velmarond::image {

inline constexpr std::size_t BootSectorBytes = 2048;
using TBootSector = std::array<std::uint8_t, BootSectorBytes>;

enum class TBootMediaType : std::uint8_t { NoEmulation = 0, Diskette12 = 1, Diskette144 = 2, Diskette288 = 3 };

struct TBootImageKind {
  TBootMediaType MediaType;
  std::uint16_t SectorCount;  // virtual 512-byte sectors the BIOS loads
};

// The media type for an accepted boot image size; none for any other size.
std::optional<TBootImageKind> ClassifyBootImage(std::uint64_t size);

TBootSector MakeBootRecord(std::uint32_t catalogSector);
TBootSector MakeBootCatalog(TBootImageKind kind, std::uint32_t imageSector);

// The BootImage property: a path that names a boot image of an accepted size, or empty.
class TBootImage {
 public:
  // Empty text changes nothing; a file of another size keeps the previous value; a file that cannot be opened
  // (or changed size in between) clears it.
  void Set(const std::string& path);
  void Clear() { Path.clear(); Size = 0; }
  const std::string& Get() const { return Path; }
  std::uint64_t Bytes() const { return Size; }

 private:
  std::string Path;
  std::uint64_t Size = 0;
};

class TBootExtension final : public IImageExtension {
 public:
  TBootImage& BootImage() { return Image; }
  const TBootImage& BootImage() const { return Image; }

  bool Enabled(const TEngineState&) const override { return !Image.Get().empty(); }
  std::uint32_t DescriptorsAfterPrimary(const TEngineState&) const override { return 1; }
  void ReserveAfterDirectories(TEngineState& state, std::uint32_t& cursor) override;
  void ReserveBeforeFileData(TEngineState& state, std::uint32_t& cursor) override;
  void WriteDescriptorsAfterPrimary(const TEngineState& state, THeaderWriter& out) const override;
  void WriteAfterDirectories(const TEngineState& state, THeaderWriter& out) const override;
  Result<void> StreamBeforeFileData(const TEngineState& state, ISectorSink& sink) override;

 private:
  TBootImage Image;
};

}  // namespace velmarond::image
