#pragma once
// BuildHeader: writes everything from sector 0 to the end of the header area into the header buffer:
// system area, volume descriptors, path tables, directory extents of both trees, padding.

#include <cstdint>
#include <span>
#include <vector>

#include "image/EngineState.h"

namespace velmarond::image {

// Appends to a preallocated, zero-filled header buffer.
class THeaderWriter {
 public:
  explicit THeaderWriter(std::vector<std::uint8_t>& buffer) : Buffer(buffer) {}
  void Append(std::span<const std::uint8_t> bytes);
  void AppendZeros(std::size_t count);
  // One zero-filled sector to fill in place.
  std::span<std::uint8_t> NextSector();
  void PadToSector();
  std::size_t Position() const { return At; }

 private:
  std::vector<std::uint8_t>& Buffer;
  std::size_t At = 0;
};

// False when the layout is not prepared; otherwise the header is in state.Header.
bool BuildHeader(TEngineState& state);

}  // namespace velmarond::image
