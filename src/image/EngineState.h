#pragma once
// The engine state of the data image engine: the file table, the options of the image, the layout
// that PrepareImage computes and the header that BuildHeader writes.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "image/FileTable.h"
#include "image/ImageExtension.h"

namespace velmarond::image {

// EngineStatus values.
enum class TEngineStatus : std::uint16_t {
  Idle = 0,
  Writing = 1,
  Erasing = 2,
  Formatting = 3,
  Closing = 4,
  ComputingLayout = 6,
  Aborted = 7,
  ImportingSession = 8,
  WriteFailed = 9,
  Verifying = 10,
};

struct TImageOptions {
  bool Joliet = true;
  bool Iso1999 = false;
  bool UdfBridge = false;
  std::string VolumeId;       // 8-bit form (UTF-8), at most 95 bytes
  std::u16string VolumeIdWide;  // UTF-16 form, at most 32 units
};

// Sector numbers are relative to the session start.
struct TLayout {
  std::uint32_t IsoPathTableBytes = 0;
  std::uint32_t JolietPathTableBytes = 0;
  std::uint32_t IsoLPathTable = 0, IsoMPathTable = 0;
  std::uint32_t JolietLPathTable = 0, JolietMPathTable = 0;
  std::uint32_t IsoRootSector = 0, JolietRootSector = 0;
  std::uint32_t IsoDirectorySectors = 0, JolietDirectorySectors = 0;
  std::uint32_t BootCatalogSector = 0, BootImageSector = 0;
  std::uint32_t PaddingSectors = 0;
  std::uint32_t HeaderSectors = 0;  // what BuildHeader writes: sector 0 up to the end of the padding
  std::uint32_t FileDataStart = 0;
  std::uint32_t FileDataSectors = 0;
  std::uint32_t VolumeSize = 0;
  std::uint32_t UnroundedSize = 0;  // what PrepareImage returns
};

struct TEngineState {
  TFileTable Table;
  TImageOptions Options;
  TLayout Layout;
  std::uint32_t SessionStart = 0;
  std::uint32_t VolumeBase = 0;
  std::vector<std::uint8_t> Header;
  std::vector<IImageExtension*> Extensions;  // not owned; boot record first, then UDF
  std::atomic<TEngineStatus> Status{TEngineStatus::Idle};
};

}  // namespace velmarond::image
