#pragma once
// Transfer rates of the data engine's READ (10) and WRITE (10): running averages per direction and
// the recent rate over a ring of the last 64 commands. Read by progress timers, so atomics.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

namespace velmarond::device {

enum class TransferDirection : std::uint8_t { Read, Write };

class TransferStatistics {
 public:
  static constexpr std::size_t RingSize = 64;

  void Record(TransferDirection direction, std::uint64_t bytes, std::chrono::nanoseconds duration);
  void ClearTotals();
  void ClearRing();
  // Average in kB/s; fallbackKbs (the drive's current speed) before the first command.
  std::uint32_t AverageKbs(TransferDirection direction, std::uint32_t fallbackKbs) const;
  // Bytes per second over the ring, rounded up; 0 when the ring's durations sum to 0.
  std::uint64_t RecentBytesPerSecond() const;

 private:
  struct Totals {
    std::atomic<std::uint64_t> Bytes{0};
    std::atomic<std::uint64_t> Nanoseconds{0};
    std::atomic<std::uint32_t> AverageKbs{0};
    std::atomic<bool> Measured{false};
  };
  struct Sample {
    std::uint64_t Bytes = 0;
    std::uint64_t Nanoseconds = 0;
  };
  Totals& Of(TransferDirection direction) { return direction == TransferDirection::Read ? ReadTotals : WriteTotals; }
  const Totals& Of(TransferDirection direction) const {
    return direction == TransferDirection::Read ? ReadTotals : WriteTotals;
  }

  Totals ReadTotals, WriteTotals;
  mutable std::mutex RingLock;
  std::array<Sample, RingSize> Ring{};
  std::size_t RingNext = 0;
};

}  // namespace velmarond::device
