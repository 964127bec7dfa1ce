#include "image/CacheQueue.h"

namespace velmarond::image {

TCacheQueue::TCacheQueue(std::uint32_t blockLimit) : Limit(blockLimit < 2 ? 2 : blockLimit) {}

TCacheBlock TCacheQueue::NewBlock() {
  {
    std::lock_guard lock(Guard);
    if (!Spare.empty()) {
      TCacheBlock block = std::move(Spare.back());
      Spare.pop_back();
      return block;
    }
  }
  TCacheBlock block;
  block.Data = std::make_unique<std::uint8_t[]>(CacheBlockBytes);
  return block;
}

bool TCacheQueue::Commit(TCacheBlock block) {
  std::unique_lock lock(Guard);
  if (Committed.size() >= Limit) {
    if (!Ready) {
      Ready = true;
      Changed.notify_all();
    }
    ProducerWaiting = true;
    Changed.wait(lock, [this] { return IsAborted || Committed.size() <= Limit - Limit / 8; });
    ProducerWaiting = false;
  }
  if (IsAborted) return false;
  Committed.push_back(std::move(block));
  if (WriterWaiting) Changed.notify_all();
  return true;
}

void TCacheQueue::FinishProducing() {
  std::lock_guard lock(Guard);
  Produced = true;
  Ready = true;
  Changed.notify_all();
}

TCacheQueue::TTake TCacheQueue::Take(std::vector<TCacheBlock>& blocks, std::size_t max) {
  std::unique_lock lock(Guard);
  WriterWaiting = true;
  Changed.wait(lock, [this] { return IsAborted || !Committed.empty() || Produced; });
  WriterWaiting = false;
  if (IsAborted) return TTake::Aborted;
  if (Committed.empty()) return TTake::End;
  while (!Committed.empty() && blocks.size() < max) {
    blocks.push_back(std::move(Committed.front()));
    Committed.pop_front();
  }
  if (ProducerWaiting && Committed.size() <= Limit - Limit / 8) Changed.notify_all();
  return TTake::Block;
}

void TCacheQueue::Recycle(TCacheBlock block) {
  std::lock_guard lock(Guard);
  if (Spare.size() < 32) Spare.push_back(std::move(block));
}

bool TCacheQueue::WaitReady() {
  std::unique_lock lock(Guard);
  Changed.wait(lock, [this] { return IsAborted || Ready; });
  return !IsAborted;
}

void TCacheQueue::WaitProduced() {
  std::unique_lock lock(Guard);
  Changed.wait(lock, [this] { return Produced; });
}

void TCacheQueue::Abort() {
  std::lock_guard lock(Guard);
  IsAborted = true;
  Changed.notify_all();
}

bool TCacheQueue::Aborted() const {
  std::lock_guard lock(Guard);
  return IsAborted;
}

std::uint64_t TCacheQueue::CommittedBytes() const {
  std::lock_guard lock(Guard);
  return std::uint64_t{Committed.size()} * CacheBlockBytes;
}

}  // namespace velmarond::image
