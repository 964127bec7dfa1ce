#pragma once
// KTASPI32: the built-in layer that answers the ASPI-style interface over the platform's
// pass-through. Its table is filled once by Scan and cleared on re-initialisation.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "device/AspiTransport.h"
#include "device/CommandBlock.h"
#include "device/DeviceLine.h"
#include "device/ScsiPlatform.h"

namespace velmarond::device {

class Ktaspi32 final : public AspiTransport {
 public:
  static constexpr std::uint32_t BuiltInTimeoutMs = 120'000;
  static constexpr std::uint8_t NoAddressUnitMarker = 0xFA;

  struct Entry {
    DriveAddress Address;
    char Letter = 0;
    bool Present = false;
    DriveHandle Handle = InvalidHandle;
    std::array<std::uint8_t, 40> Inquiry{};
  };

  explicit Ktaspi32(ScsiPlatform& platform);
  ~Ktaspi32() override;

  std::string Name() const override { return "KTASPI32"; }
  std::uint32_t GetSupportInfo() override;
  std::uint32_t SendCommand(void* block) override;
  std::uint32_t SendCommand(void* block, std::uint32_t timeoutMs) override;

  // Fills the table and returns the drives found; 0 when the table was already filled.
  int Scan();
  // Closes every handle and empties the table (re-initialisation, program end).
  void Clear();

  // While clear, a drive's handle stays open between commands (a whole write), exclusively; setting
  // it again lets go of every held handle at once.
  void SetCloseAfterEachCommand(bool close);
  bool CloseAfterEachCommandSet() const { return CloseAfterEachCommand; }

  std::uint8_t AdapterCount() const { return AdapterCountValue; }
  std::optional<char> LetterOf(const DriveAddress& address) const;
  const std::vector<Entry>& Entries() const { return Table; }

 private:
  std::uint8_t HostAdapterInquiry(HostAdapterInquiryBlock& block) const;
  std::uint8_t GetDeviceType(DeviceTypeBlock& block) const;
  std::uint8_t Execute(CommandBlock& block, std::uint32_t timeoutMs);
  Entry* Find(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun);
  void RecountAdapters();

  ScsiPlatform& Platform;
  std::mutex Lock;
  std::vector<Entry> Table;
  bool Scanned = false;
  std::uint8_t AdapterCountValue = 0;
  std::atomic<bool> CloseAfterEachCommand{true};
};

}  // namespace velmarond::device
