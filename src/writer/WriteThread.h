#pragma once
// TWriteThread: the consumer of the image cache. This part appends every block to an ISO file; the
// disc side joins it when the drive record is in place.

#include <sys/uio.h>

#include <memory>
#include <vector>
#include <thread>

#include "image/ImageWriter.h"

namespace velmarond::writer {

class TWriteThread final : public image::IImageWriter {
 public:
  static constexpr std::size_t BatchBlocks = 16;  // 1 MiB per write

  explicit TWriteThread(image::TWriteJob job);
  ~TWriteThread() override;
  TWriteThread(const TWriteThread&) = delete;
  TWriteThread& operator=(const TWriteThread&) = delete;

  void Join() override;

 private:
  void Run();
  bool WriteToFile();  // false on a failed write
  bool WriteBatch(const std::vector<image::TCacheBlock>& blocks);
  bool WriteVector(std::vector<iovec>& parts);
  bool Skip(std::size_t bytes);
  void Fail(const std::string& reason);

  image::TWriteJob Job;
  bool PendingHole = false;
  std::thread Worker;
};

class TFileWriterFactory final : public image::IImageWriterFactory {
 public:
  std::unique_ptr<image::IImageWriter> StartFileWriter(image::TWriteJob job) override {
    return std::make_unique<TWriteThread>(std::move(job));
  }
};

}  // namespace velmarond::writer
