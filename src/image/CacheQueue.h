#pragma once
// The image cache: a bounded queue of 64 KiB blocks between the sector producer and the writer. The
// producer waits while the queue holds its block limit; the writer starts once the queue is ready
// (full, or holding the whole image) and takes blocks from the head.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace velmarond::image {

inline constexpr std::uint32_t CacheBlockBytes = 65536;
inline constexpr std::uint32_t MaxCacheBlocks = 10000;
inline constexpr std::uint32_t MinCacheBlocks = 32;  // 2 MiB

struct TCacheBlock {
  std::unique_ptr<std::uint8_t[]> Data;
  std::uint32_t Bytes = 0;
  std::uint32_t FileIndex = 0;  // DataIndex of the file whose data the block ends with
};

class TCacheQueue {
 public:
  explicit TCacheQueue(std::uint32_t blockLimit);

  // Producer side.
  TCacheBlock NewBlock();  // a recycled or fresh block; its bytes are not cleared
  bool Commit(TCacheBlock block);  // waits while the queue is full; false once aborted
  void FinishProducing();          // everything has been committed (or the producer gave up)

  // Writer side.
  enum class TTake { Block, End, Aborted };
  // Waits for the head block, then takes it and up to `max` - 1 blocks behind it.
  TTake Take(std::vector<TCacheBlock>& blocks, std::size_t max);
  void Recycle(TCacheBlock block);
  // Waits until the queue is ready (full or complete); false when aborted first.
  bool WaitReady();

  // Waits until the producer has called FinishProducing.
  void WaitProduced();

  void Abort();
  bool Aborted() const;
  std::uint32_t BlockLimit() const { return Limit; }
  std::uint64_t CommittedBytes() const;  // committed blocks x 64 KiB

 private:
  const std::uint32_t Limit;
  mutable std::mutex Guard;
  std::condition_variable Changed;
  std::deque<TCacheBlock> Committed;
  std::vector<TCacheBlock> Spare;
  bool Ready = false;
  bool Produced = false;
  bool IsAborted = false;
  // Each side sleeps only when it must, and is woken only when that helps: the producer once the
  // writer has made room for a batch, the writer once there is a block.
  bool ProducerWaiting = false;
  bool WriterWaiting = false;
};

}  // namespace velmarond::image
