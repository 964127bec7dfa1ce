#include "writer/WriteThread.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmarond::writer {

using image::TCacheBlock;
using image::TCacheQueue;
using image::TEngineStatus;

TWriteThread::TWriteThread(image::TWriteJob job) : Job(std::move(job)) {
  Worker = std::thread([this] { Run(); });
}

TWriteThread::~TWriteThread() { Join(); }

void TWriteThread::Join() {
  if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id()) Worker.join();
}

void TWriteThread::Fail(const std::string& reason) {
  // The save fails as a whole: the producer stops and the owner hears "failed", never "done".
  Job.Errors->Set(image::ErrorCreatingFile, "Error writing file \\" + Job.Path + "\\: " + reason);
  Job.Queue->Abort();
  *Job.Status = TEngineStatus::WriteFailed;
}

// Zero blocks (padding, holes of sparse sources) become holes of the ISO file too.
static bool IsAllZero(const std::uint8_t* data, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) {
    if (data[i] != 0) return false;
  }
  return true;
}

bool TWriteThread::Skip(std::size_t bytes) {
  if (::lseek(Job.FileDescriptor, static_cast<off_t>(bytes), SEEK_CUR) < 0) {
    Fail(std::strerror(errno));
    return false;
  }
  PendingHole = true;
  return true;
}

bool TWriteThread::WriteToFile() {
  std::vector<TCacheBlock> blocks;
  blocks.reserve(BatchBlocks);
  for (;;) {
    blocks.clear();
    switch (Job.Queue->Take(blocks, BatchBlocks)) {
      case TCacheQueue::TTake::End:
        return true;
      case TCacheQueue::TTake::Aborted:
        return false;
      case TCacheQueue::TTake::Block:
        break;
    }
    if (!WriteBatch(blocks)) return false;
    for (TCacheBlock& block : blocks) {
      const std::uint32_t sectors = block.Bytes / 2048;
      Job.Progress->WritingFileIndex = block.FileIndex;
      Job.Progress->SectorsWritten += sectors;
      Job.Progress->SectorsToWrite -= sectors;
      Job.Queue->Recycle(std::move(block));
    }
  }
}

// Runs of data blocks go out in one gathered write; zero blocks become holes.
bool TWriteThread::WriteBatch(const std::vector<TCacheBlock>& blocks) {
  std::vector<iovec> run;
  run.reserve(blocks.size());
  auto flush = [&]() {
    if (run.empty()) return true;
    const bool written = WriteVector(run);
    run.clear();
    PendingHole = false;
    return written;
  };
  for (const TCacheBlock& block : blocks) {
    if (IsAllZero(block.Data.get(), block.Bytes)) {
      if (!flush() || !Skip(block.Bytes)) return false;
    } else {
      run.push_back({block.Data.get(), block.Bytes});
    }
  }
  return flush();
}

bool TWriteThread::WriteVector(std::vector<iovec>& parts) {
  std::size_t first = 0;
  while (first < parts.size()) {
    const ssize_t written = ::writev(Job.FileDescriptor, parts.data() + first, static_cast<int>(parts.size() - first));
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(std::strerror(errno));
      return false;
    }
    // A partial write: drop what went out and go on with the rest.
    auto left = static_cast<std::size_t>(written);
    while (first < parts.size() && left >= parts[first].iov_len) left -= parts[first++].iov_len;
    if (first < parts.size()) {
      parts[first].iov_base = static_cast<std::uint8_t*>(parts[first].iov_base) + left;
      parts[first].iov_len -= left;
    }
  }
  return true;
}

void TWriteThread::Run() {
  *Job.Status = TEngineStatus::Writing;
  bool failed = !WriteToFile();
  if (!failed && Job.Progress->SectorsWritten != Job.Progress->ImageSectors) {
    Fail("the image ended before its last sector");
    failed = true;
  }
  if (!failed) *Job.Status = TEngineStatus::Closing;
  // A hole at the end gives the file no length by itself.
  if (!failed && PendingHole) {
    const off_t end = ::lseek(Job.FileDescriptor, 0, SEEK_CUR);
    if (end < 0 || ::ftruncate(Job.FileDescriptor, end) != 0) {
      Fail(std::strerror(errno));
      failed = true;
    }
  }
  if (::close(Job.FileDescriptor) != 0 && !failed) {
    Fail(std::strerror(errno));
    failed = true;
  }
  Job.WaitForProducer();
  failed = failed || Job.Errors->PeekCode() != image::ErrorNone;
  *Job.Status = TEngineStatus::Idle;
  Job.Finished(failed);
}

}  // namespace velmarond::writer
