#pragma once
// The data engine's device record: drives found through the pass-through (or an ASPI-style
// library when asked to, or when the pass-through finds none), selection by index or letter, the
// MMC commands the data engine sends, and what it asks about drive and disc.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/AspiTransport.h"
#include "device/CommandBlock.h"
#include "device/DeviceLine.h"
#include "device/EngineLog.h"
#include "device/ScsiPlatform.h"
#include "device/TransferStatistics.h"

namespace velmarond::device {

// The 12-byte FORMAT UNIT parameter lists.
enum class FormatList : std::uint8_t { A, C, D, E, F, G };
std::array<std::uint8_t, 12> FormatParameterList(FormatList list);
// SET STREAMING performance descriptor (28 bytes).
std::array<std::uint8_t, 28> StreamingDescriptor(std::uint32_t endLba, std::uint32_t readSizeKb,
                                                 std::uint32_t readTimeMs, std::uint32_t writeSizeKb,
                                                 std::uint32_t writeTimeMs);
// SEND DVD STRUCTURE format 0Fh: the time stamp as 14 ASCII digits (22 bytes).
std::array<std::uint8_t, 22> TimeStampStructure(int year, int month, int day, int hour, int minute, int second);

class EngineDevice {
 public:
  static constexpr std::size_t MaxDrives = 26;
  static constexpr std::uint8_t NoSelection = 255;
  static constexpr std::uint32_t PassThroughTimeoutMs = 12'000'000;  // 12000 s

  struct DriveEntry {
    char Letter = 0;
    DriveType Type = DriveType::Unknown;
    DriveAddress Address;
    std::string Line;
  };

  explicit EngineDevice(ScsiPlatform& platform);
  ~EngineDevice();
  EngineDevice(const EngineDevice&) = delete;
  EngineDevice& operator=(const EngineDevice&) = delete;

  // Initialisation, enumeration and selection.
  bool Initialize(bool preferAspi, const std::string& aspiPath, const std::string& logPath);
  int DeviceCount() const { return static_cast<int>(Drives.size()); }
  std::string DeviceLine(int index) const;
  const std::vector<DriveEntry>& Entries() const { return Drives; }
  bool SelectDevice(int index);
  bool SelectDeviceByLetter(char letter);
  char SelectedLetter() const { return Selected.Letter; }
  void Release();
  std::uint8_t Execute(EngineCommandBlock& block);
  // Keeps the drive open between commands (a write), optionally exclusively.
  void SetCloseAfterEachCommand(bool close) { CloseAfterEachCommand = close; }
  bool OpenExclusive();

  // Commands.
  bool TestUnitReady();
  bool RezeroUnit();
  bool FormatUnit(std::uint8_t formatByte, std::span<const std::uint8_t> parameters);
  bool Inquiry(std::span<std::uint8_t, 64> reply);
  bool LoadEject(bool eject, bool immediate);
  bool AllowMediumRemoval();
  bool ReadFormatCapacities(std::span<std::uint8_t, 124> reply);
  bool Read10(std::uint32_t lba, std::uint16_t blocks, std::span<std::uint8_t> buffer);
  bool Write10(std::uint32_t lba, std::uint16_t blocks, std::span<const std::uint8_t> data);
  bool SynchronizeCache(bool immediate);
  bool ReadTOC(std::uint8_t format, bool msf, std::uint8_t trackOrSession, std::uint32_t length, std::span<std::uint8_t> buffer);
  bool GetConfiguration(std::uint16_t startingFeature, std::uint32_t length, std::span<std::uint8_t> buffer);
  bool ReadDiscInformation(std::span<std::uint8_t> buffer);
  bool ReadTrackInformation(std::uint8_t track, std::span<std::uint8_t, 38> reply);
  bool ReserveTrack(std::uint32_t blocks);
  bool ModeSelect(std::span<const std::uint8_t> parameters);
  bool ModeSense(std::uint8_t page, bool defaultValues, std::span<std::uint8_t> buffer);
  bool CloseTrackSession(bool immediate, std::uint8_t closeFunction, std::uint8_t argument, std::uint16_t track);
  bool CloseTrackSessionShort(bool closeTrack, bool immediate, std::uint8_t track);
  bool ReadBufferCapacity();
  bool Blank(bool minimal);
  bool SetStreaming(std::span<const std::uint8_t> descriptor);
  bool SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed);
  bool SendDvdStructure(std::uint8_t format, std::span<const std::uint8_t> data);
  // One raw command (the CLI's scsi verb); status is the block status.
  std::uint8_t ExecuteRaw(std::span<const std::uint8_t> cdb, DataDirection direction, std::span<std::uint8_t> data,
                          EngineCommandBlock& block);

  // Write parameters page in the data engine's form.
  bool SetWriteParameters(bool testWrite, bool underrun, std::uint8_t mediaType, bool nextSession);

  // Drive and disc questions.
  void RefreshCapabilities();
  bool DeviceFeature(int code);
  std::uint8_t MediaType();
  int SessionCount();
  int LastTrackNumber();
  bool IsDiscErasable();
  bool IsDiscWritable();
  std::uint32_t FreeSectors();
  std::uint32_t Capacity();
  std::uint32_t IsoVolumeSize();
  std::uint32_t FormattedCapacity();
  std::uint32_t BufferFill();

  // State.
  bool Ready = false;
  bool PassThroughMode = false;
  bool PreferAspi = false;
  bool Write10Quirk = false;
  std::atomic<bool> CloseAfterEachCommand{true};
  int LastSystemError = 0;
  bool TargetBusy = false;
  std::array<std::uint8_t, 32> LastSense{};
  std::uint16_t LastAscAscq = 0;
  std::uint32_t LastResidual = 0;
  std::string Vendor, Product;
  std::array<bool, 43> Features{};  // by capability code 1..42
  std::atomic<std::uint32_t> MaxReadSpeedDefault{0}, MaxWriteSpeedDefault{0};
  std::atomic<std::uint32_t> MaxReadSpeed{0}, CurrentReadSpeed{0}, MaxWriteSpeed{0}, CurrentWriteSpeed{0};
  std::atomic<std::uint32_t> BufferSizeKb{0};
  std::atomic<std::uint32_t> BufferLength{0}, BufferFree{0};
  TransferStatistics Statistics;
  EngineLog Log;

 private:
  struct Selection {
    char Letter = '?';
    DriveType Type = DriveType::Unknown;
    DriveAddress Address{NoSelection, NoSelection, 0};
  };
  void ScanPassThrough();
  bool ScanAspi(const std::string& aspiPath);
  bool Run(EngineCommandBlock& block, bool acceptPending = false);
  void CloseHandle();
  bool FeaturePresent(std::uint16_t feature, bool noProfileCounts, std::uint8_t* byte4 = nullptr);
  bool ReadDiscInfo64(std::array<std::uint8_t, 64>& info);
  bool ReadTrack(std::uint8_t track, std::array<std::uint8_t, 38>& info);

  ScsiPlatform& Platform;
  std::unique_ptr<AspiTransport> Library;
  std::vector<DriveEntry> Drives;
  Selection Selected;
  DriveHandle Handle = InvalidHandle;
  bool HandleExclusive = false;
  std::array<std::uint8_t, 64> CapabilityPage{};
};

// Capability labels by code ("ReadCDR", ..., "UnderrunProtection"); empty for codes without one.
std::string_view CapabilityLabel(int code);

}  // namespace velmarond::device
