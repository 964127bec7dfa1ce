#include "writer/WriteThread.h"

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

bool TWriteThread::WriteAll(const std::uint8_t* data, std::size_t bytes) {
  while (bytes > 0) {
    const ssize_t written = ::write(Job.FileDescriptor, data, bytes);
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(std::strerror(errno));
      return false;
    }
    data += written;
    bytes -= static_cast<std::size_t>(written);
  }
  return true;
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
  TCacheBlock block;
  for (;;) {
    switch (Job.Queue->Take(block)) {
      case TCacheQueue::TTake::End:
        return true;
      case TCacheQueue::TTake::Aborted:
        return false;
      case TCacheQueue::TTake::Block:
        break;
    }
    Job.Progress->WritingFileIndex = block.FileIndex;
    const bool hole = IsAllZero(block.Data.get(), block.Bytes);
    if (!(hole ? Skip(block.Bytes) : WriteAll(block.Data.get(), block.Bytes))) return false;
    if (!hole) PendingHole = false;
    const std::uint32_t sectors = block.Bytes / 2048;
    Job.Progress->SectorsWritten += sectors;
    Job.Progress->SectorsToWrite -= sectors;
    Job.Queue->Recycle(std::move(block));
  }
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
