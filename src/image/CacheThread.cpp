#include "image/CacheThread.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "image/IsoStructs.h"

namespace velmarond::image {
namespace {

// Closes a source file on every way out.
struct TFileHandle {
  int Fd = -1;
  ~TFileHandle() {
    if (Fd >= 0) ::close(Fd);
  }
};

Error ReadError(const std::string& path, const std::string& reason) {
  return MakeError("Error reading file \\" + path + "\\: " + reason, ErrorOpeningFile);
}

}  // namespace

std::string OpeningFileText(const std::string& path) {
  return path.empty() ? "Error opening file" : "Error opening file \\" + path + "\\";
}

std::string CreatingFileText(const std::string& path) {
  return path.empty() ? "Error creating file" : "Error creating file \\" + path + "\\";
}

TCacheThread::TCacheThread(TEngineState& state, TCacheQueue& queue, TWriteProgress& progress, TEngineErrors& errors)
    : State(state), Queue(queue), Progress(progress), Errors(errors) {}

TCacheThread::~TCacheThread() { Join(); }

void TCacheThread::Start() { Worker = std::thread([this] { Run(); }); }

void TCacheThread::Join() {
  if (Worker.joinable()) Worker.join();
}

void TCacheThread::Run() {
  auto produced = Produce();
  if (!produced) {
    // An abort already carries its code; any other stop names its cause and stops the writer too.
    if (produced.GetError().Code != ErrorAborted) Errors.Set(produced.GetError().Code, produced.GetError().Text);
    Queue.Abort();
  }
  State.Header.clear();
  State.Header.shrink_to_fit();
  Queue.FinishProducing();
}

Result<void> TCacheThread::CommitIfFull() {
  if (Fill < CacheBlockBytes) return {};
  Block.Bytes = CacheBlockBytes;
  Block.FileIndex = CurrentIndex;
  if (!Queue.Commit(std::move(Block))) return MakeError(AbortedText(), ErrorAborted);
  Block = Queue.NewBlock();
  Fill = 0;
  return {};
}

Result<void> TCacheThread::Append(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t piece = std::min<std::size_t>(bytes.size(), CacheBlockBytes - Fill);
    std::memcpy(Block.Data.get() + Fill, bytes.data(), piece);
    Fill += static_cast<std::uint32_t>(piece);
    Produced += piece;
    bytes = bytes.subspan(piece);
    if (auto committed = CommitIfFull(); !committed) return committed;
  }
  return {};
}

Result<void> TCacheThread::AppendZeros(std::uint64_t bytes) {
  while (bytes > 0) {
    const std::uint32_t piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, CacheBlockBytes - Fill));
    std::memset(Block.Data.get() + Fill, 0, piece);
    Fill += piece;
    Produced += piece;
    bytes -= piece;
    if (auto committed = CommitIfFull(); !committed) return committed;
  }
  return {};
}

Result<void> TCacheThread::CheckPosition(std::uint64_t sector, const char* what) const {
  if (Produced == sector * SectorBytes) return {};
  return MakeError(std::string(NotPreparedText()) + "(" + what + " does not match the layout)", ErrorNotPrepared);
}

// Reads exactly `bytes` bytes straight into the blocks; a file that ends early or cannot be read
// stops the image, since its extent would otherwise hold garbage.
Result<void> TCacheThread::ReadInto(int fd, const std::string& path, std::uint64_t bytes) {
  while (bytes > 0) {
    if (Fill == 0 && bytes >= 2 * CacheBlockBytes) {
      auto gathered = ReadBlocks(fd, path, bytes);
      if (!gathered) return gathered.GetError();
      bytes -= *gathered;
      continue;
    }
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, CacheBlockBytes - Fill));
    const ssize_t got = ::read(fd, Block.Data.get() + Fill, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadError(path, std::strerror(errno));
    }
    if (got == 0) return ReadError(path, "the file is shorter than when it was added");
    Fill += static_cast<std::uint32_t>(got);
    Produced += static_cast<std::uint64_t>(got);
    bytes -= static_cast<std::uint64_t>(got);
    if (auto committed = CommitIfFull(); !committed) return committed;
  }
  return {};
}

// Large files are read several blocks at a time, straight into the blocks, as a copy tool would.
Result<std::uint64_t> TCacheThread::ReadBlocks(int fd, const std::string& path, std::uint64_t bytes) {
  const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes / CacheBlockBytes, ReadBatchBlocks));
  std::vector<TCacheBlock> blocks;
  blocks.reserve(count);
  blocks.push_back(std::move(Block));
  while (blocks.size() < count) blocks.push_back(Queue.NewBlock());
  std::vector<iovec> parts(count);
  for (std::size_t i = 0; i < count; ++i) parts[i] = {blocks[i].Data.get(), CacheBlockBytes};
  ssize_t got = -1;
  do {
    got = ::readv(fd, parts.data(), static_cast<int>(count));
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    Block = std::move(blocks.front());
    return ReadError(path, got < 0 ? std::strerror(errno) : "the file is shorter than when it was added");
  }
  const auto full = static_cast<std::size_t>(got) / CacheBlockBytes;
  Fill = static_cast<std::uint32_t>(static_cast<std::size_t>(got) % CacheBlockBytes);
  Produced += static_cast<std::uint64_t>(got);
  for (std::size_t i = 0; i < full; ++i) {
    blocks[i].Bytes = CacheBlockBytes;
    blocks[i].FileIndex = CurrentIndex;
    if (!Queue.Commit(std::move(blocks[i]))) return MakeError(AbortedText(), ErrorAborted);
  }
  Block = full < count ? std::move(blocks[full]) : Queue.NewBlock();
  for (std::size_t i = full + 1; i < count; ++i) Queue.Recycle(std::move(blocks[i]));
  return static_cast<std::uint64_t>(got);
}

Result<void> TCacheThread::StreamFile(TFileEntry& entry) {
  TFileHandle file;
  file.Fd = ::open(entry.SourcePath.c_str(), O_RDONLY | O_CLOEXEC);
  if (file.Fd < 0) return MakeError(OpeningFileText(entry.SourcePath) + ": " + std::strerror(errno), ErrorOpeningFile);
  ::posix_fadvise(file.Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Progress.ReadingFileIndex = entry.DataIndex;
  Progress.SectorsRead += static_cast<std::uint32_t>(SectorCount(entry.Size));
  CurrentIndex = entry.DataIndex;
  if (auto read = ReadInto(file.Fd, entry.SourcePath, entry.Size); !read) return read;
  const std::uint64_t tail = SectorCount(entry.Size) * SectorBytes - entry.Size;
  return AppendZeros(tail);
}

Result<void> TCacheThread::Produce() {
  Block = Queue.NewBlock();
  if (auto header = Append(State.Header); !header) return header;
  if (auto at = CheckPosition(State.Layout.HeaderSectors, "header"); !at) return at;
  for (IImageExtension* extension : State.Extensions) {
    if (!extension->Enabled(State)) continue;
    if (auto streamed = extension->StreamBeforeFileData(State, *this); !streamed) return streamed;
  }
  if (auto at = CheckPosition(State.Layout.FileDataStart, "extension data"); !at) return at;

  const auto& files = State.Table.FilesInOrder();
  for (std::size_t index = 0; index < files.size(); ++index) {
    TFileEntry& entry = *files[index];
    entry.DataIndex = static_cast<std::uint32_t>(index);
    if (entry.IsDirectory() || entry.Imported || entry.Size == 0 || entry.SourcePath.empty()) continue;
    if (auto streamed = StreamFile(entry); !streamed) return streamed;
  }
  if (auto at = CheckPosition(std::uint64_t{State.Layout.FileDataStart} + State.Layout.FileDataSectors, "file data"); !at)
    return at;

  // Zeros up to the volume size; the extensions get a last look at the final sector.
  const std::uint64_t total = std::uint64_t{State.Layout.VolumeSize} * SectorBytes;
  const std::uint64_t beforeLast = total - Produced;
  if (beforeLast == 0) return {};
  if (beforeLast > CacheBlockBytes - Fill) {
    if (auto zeros = AppendZeros(beforeLast - (CacheBlockBytes - Fill)); !zeros) return zeros;
  }
  std::memset(Block.Data.get() + Fill, 0, CacheBlockBytes - Fill);
  for (IImageExtension* extension : State.Extensions) {
    if (extension->Enabled(State))
      extension->FinishLastSector(State, {Block.Data.get() + CacheBlockBytes - SectorBytes, SectorBytes});
  }
  Produced += CacheBlockBytes - Fill;
  Fill = CacheBlockBytes;
  return CommitIfFull();
}

}  // namespace velmarond::image
