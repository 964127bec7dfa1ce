#pragma once
// The data disc engine as one component: it owns the engine state (file table, layout, cache), runs
// the producer and writer threads of a write, and reports the end of an operation through the owner's
// event dispatch. The operations that need a drive come with the drive record.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/EventDispatch.h"
#include "device/Result.h"
#include "image/CacheQueue.h"
#include "image/CacheThread.h"
#include "image/ElTorito.h"
#include "image/EngineState.h"
#include "image/ImageWriter.h"
#include "image/UdfExtension.h"
#include "image/WriteProgress.h"

namespace velmarond::image {

inline constexpr std::uint32_t MinCacheSizeMiB = 2;
inline constexpr std::uint32_t MaxCacheSizeMiB = MaxCacheBlocks * CacheBlockBytes / (1u << 20);  // 625

class VOVIRavadeZer {
 public:
  using TWriteDoneEvent = std::function<void(VOVIRavadeZer& sender, std::uint8_t deviceId, bool writeFailed)>;

  VOVIRavadeZer(EventDispatch& dispatch, IImageWriterFactory& writers);
  ~VOVIRavadeZer();
  VOVIRavadeZer(const VOVIRavadeZer&) = delete;
  VOVIRavadeZer& operator=(const VOVIRavadeZer&) = delete;

  // Published properties.
  bool BurnProof = true;
  bool TestWrite = false;
  bool FinalizeDisc = false;
  bool ReplaceFile() const { return State.Table.ReplaceFile; }
  void SetReplaceFile(bool value) { State.Table.ReplaceFile = value; }
  bool JolietFileSystem() const { return State.Options.Joliet; }
  void SetJolietFileSystem(bool value) { State.Options.Joliet = value; }
  bool ISO9660v1999FS() const { return State.Options.Iso1999; }
  void SetISO9660v1999FS(bool value) { State.Options.Iso1999 = value; }
  bool UDFBridge() const { return State.Options.UdfBridge; }
  void SetUDFBridge(bool value) { State.Options.UdfBridge = value; }
  const std::string& VolumeID() const { return State.Options.VolumeId; }
  void SetVolumeID(const std::string& utf8);
  // The boot image file of a bootable image; empty for none. Cleared by ClearAll.
  const std::string& BootImage() const { return Boot.BootImage().Get(); }
  void SetBootImage(const std::string& path) { Boot.BootImage().Set(path); }
  std::uint32_t CacheSize() const { return CacheBytes >> 20; }
  // Megabytes; below 2 gives 2, above 625 (the queue's 10000 blocks) is refused.
  Result<void> SetCacheSize(std::uint32_t megabytes);
  static std::string Version();

  // Events.
  TAddFileEvent OnAddFile;
  TWriteDoneEvent OnWriteDone;

  // Compilation.
  void ClearAll();
  Result<TDirEntry*> CreateDir(std::u16string_view parentPath, std::u16string_view name);
  Result<TFileEntry*> InsertFile(std::u16string_view parentPath, const std::string& sourcePath,
                                 std::u16string_view shortName, std::u16string_view name);
  TDirEntry* FindDir(std::u16string_view path) { return State.Table.FindDir(path); }
  TFileTable& Table() { return State.Table; }
  std::size_t FileCount() const { return State.Table.FileCount(); }
  std::size_t DirCount() const { return State.Table.DirCount(); }
  std::string FileSourcePath(std::size_t index) const { return State.Table.FileSourcePath(index); }
  std::u16string FileLongName(std::size_t index) const { return State.Table.FileLongName(index); }
  // Registers the boot record or the UDF bridge; they take part when enabled.
  void AddExtension(IImageExtension& extension) { State.Extensions.push_back(&extension); }

  Result<std::uint32_t> PrepareImage();

  // Operations: true when the write started; the end arrives through OnWriteDone.
  bool SaveImageFile(const std::string& path);
  void Abort();
  bool Busy() const { return Running; }

  // Progress and results.
  TEngineStatus EngineStatus() const { return State.Status; }
  std::uint32_t ImageSectors() const { return ImageSize; }
  std::uint32_t SectorsWritten() const { return Progress.SectorsWritten; }
  std::uint64_t CacheFillBytes() const { return Queue ? Queue->CommittedBytes() : 0; }
  std::uint32_t SectorsRead() const { return Progress.SectorsRead; }
  std::uint32_t ReadingFileIndex() const { return Progress.ReadingFileIndex; }
  std::uint32_t WritingFileIndex() const { return Progress.WritingFileIndex; }
  int LastError() { return Errors.TakeCode(); }
  std::string LastErrorText() { return Errors.TakeText(); }

 private:
  void JoinWorkers();
  void ReportWriteDone(bool failed);

  EventDispatch& Dispatch;
  IImageWriterFactory& Writers;
  TEngineState State;
  TBootExtension Boot;  // registered first: its structures come before the UDF ones on the disc
  TUdfExtension Udf;
  std::uint64_t CacheBytes = 32ull << 20;
  std::uint32_t ImageSize = 0;
  TWriteProgress Progress;
  TEngineErrors Errors;
  std::unique_ptr<TCacheQueue> Queue;
  std::unique_ptr<TCacheThread> Producer;
  std::unique_ptr<IImageWriter> Writer;
  std::atomic<bool> Running{false};
  // Posted events check it, so that an event drained after the component is gone does nothing.
  std::shared_ptr<VOVIRavadeZer*> Alive;
};

}  // namespace velmarond::image
