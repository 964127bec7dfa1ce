#pragma once
// TCacheThread: the sector producer. Streams the header, the sectors of the image extensions and the
// contents of every source file into the image cache, in the order of their sectors on the disc.

#include <cstdint>
#include <span>
#include <string>
#include <thread>

#include "image/CacheQueue.h"
#include "image/EngineState.h"
#include "image/WriteProgress.h"

namespace velmarond::image {

class TCacheThread final : private ISectorSink {
 public:
  static constexpr std::size_t ReadBatchBlocks = 16;  // 1 MiB per read

  TCacheThread(TEngineState& state, TCacheQueue& queue, TWriteProgress& progress, TEngineErrors& errors);
  ~TCacheThread();
  TCacheThread(const TCacheThread&) = delete;
  TCacheThread& operator=(const TCacheThread&) = delete;

  void Start();
  void Join();

 private:
  void Run();
  Result<void> Produce();
  Result<void> StreamFile(TFileEntry& entry);
  Result<void> ReadInto(int fd, const std::string& path, std::uint64_t bytes);
  Result<std::uint64_t> ReadBlocks(int fd, const std::string& path, std::uint64_t bytes);
  Result<void> Append(std::span<const std::uint8_t> bytes) override;
  Result<void> AppendZeros(std::uint64_t bytes);
  Result<void> CommitIfFull();
  Result<void> CheckPosition(std::uint64_t sector, const char* what) const;

  TEngineState& State;
  TCacheQueue& Queue;
  TWriteProgress& Progress;
  TEngineErrors& Errors;
  TCacheBlock Block;
  std::uint32_t Fill = 0;
  std::uint32_t CurrentIndex = 0;
  std::uint64_t Produced = 0;  // bytes handed to blocks so far
  std::thread Worker;
};

}  // namespace velmarond::image
