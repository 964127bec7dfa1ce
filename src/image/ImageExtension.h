#pragma once
// Structures that join the ISO 9660 layout from outside it: the El Torito boot record and the UDF
// bridge. Each one reserves its sectors while PrepareImage lays the image out, writes its part of the
// header in BuildHeader, and streams its sectors before the file data. They are called in the order
// they were registered (boot first, then UDF), which is the order of their structures on the disc.

#include <cstdint>
#include <span>

#include "device/Result.h"

namespace velmarond::image {

struct TEngineState;
class THeaderWriter;

// Where produced sectors go; the producer implements it.
class ISectorSink {
 public:
  virtual ~ISectorSink() = default;
  virtual Result<void> Append(std::span<const std::uint8_t> bytes) = 0;
};

class IImageExtension {
 public:
  virtual ~IImageExtension() = default;

  // Layout, in the order PrepareImage calls them; `cursor` is the next free sector.
  virtual bool Enabled(const TEngineState& state) const = 0;
  virtual std::uint32_t DescriptorsAfterPrimary(const TEngineState&) const { return 0; }  // boot record
  virtual void ReserveAfterTerminator(TEngineState&, std::uint32_t& /*cursor*/) {}         // UDF volume area
  virtual void ReserveAfterDirectories(TEngineState&, std::uint32_t& /*cursor*/) {}        // boot catalog
  virtual void ReserveBeforeFileData(TEngineState&, std::uint32_t& /*cursor*/) {}          // boot image, UDF metadata
  virtual std::uint32_t SectorsAfterFileData(const TEngineState&) const { return 0; }      // closing anchor
  virtual void FinishLayout(TEngineState&) {}  // once the volume size is known

  // Header, in the same order.
  virtual void WriteDescriptorsAfterPrimary(const TEngineState&, THeaderWriter&) const {}
  virtual void WriteAfterTerminator(const TEngineState&, THeaderWriter&) const {}
  virtual void WriteAfterDirectories(const TEngineState&, THeaderWriter&) const {}

  // Producer: the sectors reserved before the file data, then a last look at the final sector.
  virtual Result<void> StreamBeforeFileData(const TEngineState&, ISectorSink&) { return {}; }
  virtual void FinishLastSector(const TEngineState&, std::span<std::uint8_t> /*sector*/) const {}
};

}  // namespace velmarond::image
