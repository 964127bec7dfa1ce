#include "vrec/SectorStore.h"

#include <algorithm>
#include <cstring>

namespace velmarond::vrec {

std::int64_t SectorStore::ChunkIndex(std::int64_t lba) {
  return lba >= 0 ? lba / ChunkSectors : -((-lba + ChunkSectors - 1) / ChunkSectors);
}

int SectorStore::Slot(std::int64_t lba) { return static_cast<int>(lba - ChunkIndex(lba) * ChunkSectors); }

void SectorStore::Write(std::int64_t lba, std::span<const std::uint8_t> bytes) {
  bytes = bytes.first(std::min(bytes.size(), MaxSectorBytes));
  Chunk& chunk = Chunks[ChunkIndex(lba)];
  const int slot = Slot(lba);
  const bool allZero = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
  if (!allZero && !chunk.Data) {
    chunk.Data = std::make_unique<std::uint8_t[]>(ChunkSectors * MaxSectorBytes);
  }
  if (chunk.Data) {
    std::uint8_t* target = chunk.Data.get() + slot * MaxSectorBytes;
    std::memset(target, 0, MaxSectorBytes);
    std::memcpy(target, bytes.data(), bytes.size());
  }
  chunk.Written |= std::uint64_t(1) << slot;
  chunk.Length[slot] = static_cast<std::uint16_t>(bytes.size());
}

std::size_t SectorStore::Read(std::int64_t lba, std::span<std::uint8_t> out) const {
  std::fill(out.begin(), out.end(), std::uint8_t(0));
  auto found = Chunks.find(ChunkIndex(lba));
  if (found == Chunks.end()) return 0;
  const int slot = Slot(lba);
  if (!(found->second.Written >> slot & 1)) return 0;
  const std::size_t length = found->second.Length[slot];
  if (found->second.Data) {
    std::memcpy(out.data(), found->second.Data.get() + slot * MaxSectorBytes, std::min(length, out.size()));
  }
  return length;
}

bool SectorStore::IsWritten(std::int64_t lba) const {
  auto found = Chunks.find(ChunkIndex(lba));
  return found != Chunks.end() && (found->second.Written >> Slot(lba) & 1);
}

std::int64_t SectorStore::End(std::int64_t none) const {
  for (auto it = Chunks.rbegin(); it != Chunks.rend(); ++it) {
    if (it->second.Written == 0) continue;
    int top = ChunkSectors - 1;
    while (!(it->second.Written >> top & 1)) --top;
    return it->first * ChunkSectors + top + 1;
  }
  return none;
}

void SectorStore::EraseFrom(std::int64_t lba) {
  auto it = Chunks.lower_bound(ChunkIndex(lba));
  if (it != Chunks.end() && it->first == ChunkIndex(lba)) {
    const int slot = Slot(lba);
    it->second.Written &= slot == 0 ? 0 : (~std::uint64_t(0) >> (64 - slot));
    ++it;
  }
  Chunks.erase(it, Chunks.end());
}

}  // namespace velmarond::vrec
