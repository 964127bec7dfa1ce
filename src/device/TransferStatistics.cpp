#include "device/TransferStatistics.h"

#include <cmath>

namespace velmarond::device {

void TransferStatistics::Record(TransferDirection direction, std::uint64_t bytes, std::chrono::nanoseconds duration) {
  const std::uint64_t ns = static_cast<std::uint64_t>(std::max<std::int64_t>(duration.count(), 0));
  Totals& totals = Of(direction);
  const std::uint64_t totalBytes = totals.Bytes += bytes;
  const std::uint64_t totalNs = totals.Nanoseconds += ns;
  // A command faster than the clock's resolution adds no time: keep the previous average rather
  // than dividing by zero.
  if (totalNs != 0) {
    const double seconds = static_cast<double>(totalNs) / 1e9;
    totals.AverageKbs = static_cast<std::uint32_t>(std::lround(static_cast<double>(totalBytes) / 1024.0 / seconds));
    totals.Measured = true;
  }
  std::lock_guard guard(RingLock);
  Ring[RingNext] = {bytes, ns};
  RingNext = (RingNext + 1) % RingSize;
}

void TransferStatistics::ClearTotals() {
  for (Totals* totals : {&ReadTotals, &WriteTotals}) {
    totals->Bytes = 0;
    totals->Nanoseconds = 0;
    totals->AverageKbs = 0;
    totals->Measured = false;
  }
}

void TransferStatistics::ClearRing() {
  std::lock_guard guard(RingLock);
  Ring.fill({});
  RingNext = 0;
}

std::uint32_t TransferStatistics::AverageKbs(TransferDirection direction, std::uint32_t fallbackKbs) const {
  const Totals& totals = Of(direction);
  return totals.Measured ? totals.AverageKbs.load() : fallbackKbs;
}

std::uint64_t TransferStatistics::RecentBytesPerSecond() const {
  std::lock_guard guard(RingLock);
  std::uint64_t bytes = 0, ns = 0;
  for (const Sample& sample : Ring) {
    bytes += sample.Bytes;
    ns += sample.Nanoseconds;
  }
  if (ns == 0) return 0;
  return static_cast<std::uint64_t>(std::ceil(static_cast<double>(bytes) * 1e9 / static_cast<double>(ns)));
}

}  // namespace velmarond::device
