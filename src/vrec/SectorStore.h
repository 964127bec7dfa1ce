#pragma once
// The user data of written sectors, kept sparse: sectors live in chunks of 64, a chunk's data buffer is
// allocated only when one of its sectors holds a non-zero byte, so unwritten areas and zero fills cost
// next to nothing and no sector needs a heap allocation of its own.

#include <cstdint>
#include <map>
#include <memory>
#include <span>

namespace velmarond::vrec {

inline constexpr std::size_t MaxSectorBytes = 2352;

class SectorStore {
 public:
  // Stores one sector (at most MaxSectorBytes); a later write of the same sector replaces it.
  void Write(std::int64_t lba, std::span<const std::uint8_t> bytes);
  // The stored bytes of a sector, zeros for the rest of out; returns the stored length (0: unwritten).
  std::size_t Read(std::int64_t lba, std::span<std::uint8_t> out) const;
  bool IsWritten(std::int64_t lba) const;
  // One past the highest written sector, or `none` when nothing is written.
  std::int64_t End(std::int64_t none) const;
  void EraseFrom(std::int64_t lba);  // forgets every sector at or after lba
  void Clear() { Chunks.clear(); }

  // Every written sector in order, for persistence and export.
  template <typename Visit>
  void ForEach(Visit&& visit) const;

 private:
  static constexpr int ChunkSectors = 64;
  struct Chunk {
    std::uint64_t Written = 0;
    std::uint16_t Length[ChunkSectors] = {};
    std::unique_ptr<std::uint8_t[]> Data;  // ChunkSectors * MaxSectorBytes, allocated on demand
  };
  static std::int64_t ChunkIndex(std::int64_t lba);
  static int Slot(std::int64_t lba);
  std::map<std::int64_t, Chunk> Chunks;
};

template <typename Visit>
void SectorStore::ForEach(Visit&& visit) const {
  static const std::uint8_t zeros[MaxSectorBytes] = {};
  for (const auto& [index, chunk] : Chunks) {
    for (int slot = 0; slot < ChunkSectors; ++slot) {
      if (!(chunk.Written >> slot & 1)) continue;
      const std::uint8_t* data = chunk.Data ? chunk.Data.get() + slot * MaxSectorBytes : zeros;
      visit(index * ChunkSectors + slot, std::span<const std::uint8_t>(data, chunk.Length[slot]));
    }
  }
}

}  // namespace velmarond::vrec
