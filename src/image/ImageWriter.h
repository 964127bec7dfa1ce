#pragma once
// The consumer end of a write. The writer library provides it (TWriteThread); the engine component
// only knows this interface, so the image library does not depend on the writer library that sits
// above it.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "image/CacheQueue.h"
#include "image/EngineState.h"
#include "image/WriteProgress.h"

namespace velmarond::image {

struct TWriteJob {
  TCacheQueue* Queue = nullptr;
  TWriteProgress* Progress = nullptr;
  TEngineErrors* Errors = nullptr;
  std::atomic<TEngineStatus>* Status = nullptr;
  int FileDescriptor = -1;  // the ISO file; the writer closes it
  std::string Path;
  // Waits until the producer has stopped producing; the writer calls it before it reports.
  std::function<void()> WaitForProducer;
  // Called exactly once, on the writer's thread, after everything else.
  std::function<void(bool failed)> Finished;
};

class IImageWriter {
 public:
  virtual ~IImageWriter() = default;
  virtual void Join() = 0;
};

class IImageWriterFactory {
 public:
  virtual ~IImageWriterFactory() = default;
  // Starts a writer thread that appends every block of the job's queue to its file.
  virtual std::unique_ptr<IImageWriter> StartFileWriter(TWriteJob job) = 0;
};

}  // namespace velmarond::image
