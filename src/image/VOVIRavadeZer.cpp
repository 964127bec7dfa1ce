#include "image/VOVIRavadeZer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/IsoHeader.h"
#include "image/IsoLayout.h"
#include "image/TextCodec.h"

namespace velmarond::image {

VOVIRavadeZer::VOVIRavadeZer(EventDispatch& dispatch, IImageWriterFactory& writers)
    : Dispatch(dispatch), Writers(writers), Alive(std::make_shared<VOVIRavadeZer*>(this)) {
  State.Options.Joliet = true;
  State.Options.Iso1999 = false;
  State.Options.UdfBridge = false;
  State.Extensions = {&Boot, &Udf};
}

VOVIRavadeZer::~VOVIRavadeZer() {
  if (Running) Abort();
  JoinWorkers();
  *Alive = nullptr;
}

std::string VOVIRavadeZer::Version() { return "Velmarond data engine 0.1"; }

void VOVIRavadeZer::SetVolumeID(const std::string& utf8) {
  State.Options.VolumeId = utf8.substr(0, Utf8PrefixLength(utf8, 95));
  std::u16string wide = Utf8ToUtf16(utf8);
  wide.resize(Utf16PrefixLength(wide, 32));
  State.Options.VolumeIdWide = std::move(wide);
}

Result<void> VOVIRavadeZer::SetCacheSize(std::uint32_t megabytes) {
  if (megabytes > MaxCacheSizeMiB)
    return MakeError("a cache of " + std::to_string(megabytes) + " MiB is more than the " +
                     std::to_string(MaxCacheSizeMiB) + " MiB the image cache can hold");
  CacheBytes = std::uint64_t{std::max(megabytes, MinCacheSizeMiB)} << 20;
  return {};
}

void VOVIRavadeZer::ClearAll() {
  State.Table.ClearAll();
  Boot.BootImage().Clear();
  State.Header.clear();
  State.Header.shrink_to_fit();
  ImageSize = 0;
}

Result<TDirEntry*> VOVIRavadeZer::CreateDir(std::u16string_view parentPath, std::u16string_view name) {
  State.Table.OnAddFile = OnAddFile;
  return State.Table.CreateDir(parentPath, name);
}

Result<TFileEntry*> VOVIRavadeZer::InsertFile(std::u16string_view parentPath, const std::string& sourcePath,
                                              std::u16string_view shortName, std::u16string_view name) {
  State.Table.OnAddFile = OnAddFile;
  return State.Table.InsertFile(parentPath, sourcePath, shortName, name);
}

Result<std::uint32_t> VOVIRavadeZer::PrepareImage() {
  if (Running) return MakeError("a write is running");
  auto size = image::PrepareImage(State);
  if (size && State.Options.UdfBridge && Udf.LayoutError()) size = *Udf.LayoutError();
  ImageSize = size ? State.Layout.VolumeSize : 0;
  return size;
}

void VOVIRavadeZer::JoinWorkers() {
  if (Writer) Writer->Join();
  if (Producer) Producer->Join();
  Writer.reset();
  Producer.reset();
}

void VOVIRavadeZer::ReportWriteDone(bool failed) {
  Dispatch.Post([alive = std::weak_ptr<VOVIRavadeZer*>(Alive), failed] {
    auto self = alive.lock();
    if (!self || *self == nullptr) return;
    VOVIRavadeZer& engine = **self;
    if (engine.OnWriteDone) engine.OnWriteDone(engine, 0, failed);
  });
}

bool VOVIRavadeZer::SaveImageFile(const std::string& path) {
  if (Running) {
    Errors.Set(ErrorCreatingFile, "another operation is running");
    return false;
  }
  JoinWorkers();
  if (!State.Table.Prepared) {
    Errors.Set(ErrorNotPrepared, NotPreparedText());
    return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    Errors.Set(ErrorCreatingFile, CreatingFileText(path) + ": " + std::strerror(errno));
    return false;
  }
  // An ISO file holds the image from its sector 0.
  State.SessionStart = 0;
  State.VolumeBase = 0;
  if (!BuildHeader(State)) {
    ::close(fd);
    Errors.Set(ErrorNotPrepared, NotPreparedText());
    return false;
  }
  Errors.TakeCode();
  Progress.Reset(State.Layout.VolumeSize);
  Queue = std::make_unique<TCacheQueue>(static_cast<std::uint32_t>(CacheBytes / CacheBlockBytes));
  Producer = std::make_unique<TCacheThread>(State, *Queue, Progress, Errors);
  Running = true;
  Producer->Start();

  if (!Queue->WaitReady()) {
    ::close(fd);
    Producer->Join();
    Running = false;
    State.Status = TEngineStatus::Idle;
    if (OnWriteDone) ReportWriteDone(true);
    return false;
  }
  TWriteJob job;
  job.Queue = Queue.get();
  job.Progress = &Progress;
  job.Errors = &Errors;
  job.Status = &State.Status;
  job.FileDescriptor = fd;
  job.Path = path;
  job.WaitForProducer = [queue = Queue.get()] { queue->WaitProduced(); };
  job.Finished = [this](bool failed) {
    Running = false;
    ReportWriteDone(failed);
  };
  Writer = Writers.StartFileWriter(std::move(job));
  return true;
}

void VOVIRavadeZer::Abort() {
  Errors.Set(ErrorAborted, AbortedText());
  State.Status = TEngineStatus::Aborted;
  if (Queue) Queue->Abort();
}

}  // namespace velmarond::image
