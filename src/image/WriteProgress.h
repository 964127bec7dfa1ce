#pragma once
// What a running write shares between its threads and the owner's timers: progress counters (read
// without a lock) and the engine's error code with its text.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace velmarond::image {

// Error codes read through LastError.
inline constexpr int ErrorNone = 0;
inline constexpr int ErrorNotPrepared = 1;
inline constexpr int ErrorOpeningFile = 2;
inline constexpr int ErrorCreatingFile = 3;
inline constexpr int ErrorAborted = 4;

struct TWriteProgress {
  std::atomic<std::uint32_t> ImageSectors{0};
  std::atomic<std::uint32_t> SectorsWritten{0};
  std::atomic<std::uint32_t> SectorsRead{0};
  std::atomic<std::uint32_t> ReadingFileIndex{0};
  std::atomic<std::uint32_t> WritingFileIndex{0};
  std::atomic<std::uint64_t> SectorsToWrite{0};

  void Reset(std::uint32_t imageSectors) {
    ImageSectors = imageSectors;
    SectorsWritten = 0;
    SectorsRead = 0;
    ReadingFileIndex = 0;
    WritingFileIndex = 0;
    SectorsToWrite = imageSectors;
  }
};

// The first failure of an operation is the one reported; later ones are its consequences.
class TEngineErrors {
 public:
  void Set(int code, std::string text) {
    std::lock_guard lock(Guard);
    if (Code != ErrorNone) return;
    Code = code;
    Text = std::move(text);
  }
  int PeekCode() const {
    std::lock_guard lock(Guard);
    return Code;
  }
  // Reads and clears.
  int TakeCode() {
    std::lock_guard lock(Guard);
    return std::exchange(Code, ErrorNone);
  }
  std::string TakeText() {
    std::lock_guard lock(Guard);
    std::string text = Code == ErrorNone ? std::string("Unknown/No Error!") : std::move(Text);
    Code = ErrorNone;
    Text.clear();
    return text;
  }

 private:
  mutable std::mutex Guard;
  int Code = ErrorNone;
  std::string Text;
};

// The error texts of the engine, with the path where one is known.
std::string OpeningFileText(const std::string& path);
std::string CreatingFileText(const std::string& path);
inline const char* NotPreparedText() { return "Data not prepared "; }
inline const char* AbortedText() { return "Aborted by user"; }

}  // namespace velmarond::image
