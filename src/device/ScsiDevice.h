#pragma once
// TSCSIDevice: the device layer of the audio writer. It always speaks the ASPI-style interface,
// through the built-in KTASPI32 layer or an external library, enumerates the drives, selects one by
// its device line and sends single MMC commands with a timeout each.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/AspiTransport.h"
#include "device/CommandBlock.h"
#include "device/DeviceLine.h"
#include "device/ScsiPlatform.h"

namespace velmarond::device {

class Ktaspi32;

enum class TWriteMethod : std::uint8_t { wmDAO, wmSAO, wmTAO };

// Capability bits of the component.
namespace Capability {
inline constexpr std::uint32_t ReadCdR = 0x00000001, ReadCdRw = 0x00000002, ReadMethod2 = 0x00000004;
inline constexpr std::uint32_t ReadDvdRom = 0x00000008, ReadDvdR = 0x00000010, ReadDvdRw = 0x00000020;
inline constexpr std::uint32_t ReadDvdRam = 0x00000040, ReadDvdPlusRw = 0x00000080, ReadDvdPlusRDl = 0x00000100;
inline constexpr std::uint32_t ReadDvdPlusR = 0x00000200, WriteCdR = 0x00000400, WriteCdRw = 0x00000800;
inline constexpr std::uint32_t TestWrite = 0x00001000, WriteDvdR = 0x00002000, WriteDvdRw = 0x00004000;
inline constexpr std::uint32_t WriteDvdRam = 0x00008000, WriteDvdPlusRw = 0x00010000, WriteDvdPlusRDl = 0x00020000;
inline constexpr std::uint32_t WriteDvdPlusR = 0x00040000, UnderrunProtection = 0x00100000;
}  // namespace Capability

// The speed and buffer fields of the capabilities page (2Ah), in host order.
struct CapabilitiesPage {
  std::array<std::uint8_t, 64> Bytes{};
  std::uint16_t MaxReadSpeed = 0, BufferSizeKb = 0, CurrentReadSpeed = 0, MaxWriteSpeed = 0, CurrentWriteSpeed = 0;
};

// READ TRACK INFORMATION reply fields, in host order.
struct TrackInformation {
  std::array<std::uint8_t, 40> Bytes{};
  std::uint16_t DataLength = 0;
  std::uint8_t TrackNumber = 0;
  std::uint32_t TrackStart = 0, NextWritable = 0, FreeBlocks = 0, FixedPacketSize = 0, TrackSize = 0,
                LastRecorded = 0;
};

// The last READ DISC INFORMATION reply (56 bytes).
struct DiscInformation {
  std::array<std::uint8_t, 56> Bytes{};
  std::uint16_t DataLength = 0;
  std::uint8_t DiscStatus() const { return Bytes[2] & 0x03; }
  std::uint8_t LastSessionState() const { return (Bytes[2] >> 2) & 0x03; }
  bool Erasable() const { return (Bytes[2] & 0x10) != 0; }
};

class TSCSIDevice {
 public:
  using TOnDebugMsg = std::function<void(TSCSIDevice& sender, const std::string& message, std::uint8_t mType)>;
  using TDeviceChangedEvent = std::function<void(TSCSIDevice& sender)>;

  static constexpr DriveAddress NoDrive{254, 254, 254};
  static constexpr std::uint8_t NoDeviceType = 127;
  static constexpr std::uint32_t MinimumTimeoutMs = 10'000;
  static constexpr char InvalidDeviceIdText[] = "INVALID DEVICE ID / NOT A CD OR DVD DRIVE";

  explicit TSCSIDevice(ScsiPlatform& platform);
  virtual ~TSCSIDevice();
  TSCSIDevice(const TSCSIDevice&) = delete;
  TSCSIDevice& operator=(const TSCSIDevice&) = delete;

  // Transport and enumeration.
  bool InitASPI(bool preferBuiltIn, const std::string& aspiPath);
  bool ReinitASPI();
  bool ASPIInitialized() const { return Transport != nullptr; }
  std::string TransportName() const;
  void ScanDevices();
  void SetDeviceID(const std::string& deviceLine);
  std::uint8_t HostAdapterInquiry(std::uint8_t adapter);
  std::uint8_t AbortCommand(CommandBlock& pending);
  char FindDriveLetter();
  std::uint8_t ExecuteCommand(CommandBlock& block, std::uint32_t timeoutMs);
  // Keeps the drive open between commands while clear (the audio writer clears it for a write).
  void SetCloseAfterEachCommand(bool close);
  bool CloseAfterEachCommand() const;

  // Commands (true for completion status 1; Write10 also accepts 0).
  bool TestUnitReady(std::uint32_t timeoutMs);
  bool RezeroUnit();
  bool RequestSense(std::span<std::uint8_t> buffer, std::uint32_t length);
  bool Inquiry();
  bool LoadEject(bool eject);
  bool PreventAllowRemoval(bool allow);
  bool Write10(std::uint32_t lba, std::uint16_t blocks, std::uint8_t flags, std::uint32_t length, void* buffer);
  bool SynchronizeCache(std::uint32_t timeoutMs, bool immediate);
  bool ReadTOC(std::uint8_t format, bool msf, std::uint8_t trackOrSession, std::uint8_t control,
               std::uint32_t length, std::span<std::uint8_t> buffer);
  bool GetConfiguration(std::uint8_t requestType, std::uint32_t startingFeature, std::uint32_t length,
                        std::span<std::uint8_t> buffer);
  bool ReadDiscInformation(std::uint32_t length = 56);
  bool ReadTrackInformation(std::uint8_t track);
  bool SendOPC();
  bool ModeSelect(std::span<const std::uint8_t> parameters, std::uint32_t length);
  bool ModeSense(std::uint8_t page, bool defaultValues, std::uint32_t length, std::span<std::uint8_t> buffer,
                 std::uint32_t clearLength);
  bool CloseTrackSession(bool closeTrack, bool immediate, bool function5);
  bool ReadBufferCapacity();
  bool SendCueSheet(std::span<const std::uint8_t> cueSheet, std::uint32_t length);
  bool SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed);

  // Write parameters page (05h).
  bool SetDataWriteParameters(bool testWrite, bool underrun, std::uint8_t mediaType, bool dualLayerNextSession);
  bool SetAudioWriteParameters(bool underrun, bool nextSession, std::uint8_t sessionFormat, bool copy, bool audio);
  std::uint8_t ProbeWriteModes();

  // Capabilities and media.
  bool ReadCapabilities();
  std::uint16_t CurrentWriteSpeed();
  std::uint8_t GetMediaType();
  bool IsDiscErasable();
  bool IsDiscWritable();
  bool WaitUntilReady(std::int64_t totalMs, std::int64_t stepMs);

  // State.
  std::vector<std::string> DeviceList;
  std::string DeviceID;
  std::string DeviceName;
  std::uint8_t DeviceType = NoDeviceType;
  DriveAddress Address = NoDrive;
  std::uint8_t AdapterCount = 0;
  std::array<std::uint8_t, 128> InquiryBuffer{};
  std::string LastErrorText;
  std::array<std::uint8_t, 33> LastSense{};
  bool TargetBusy = false;
  std::uint32_t Capabilities = 0;
  std::atomic<std::uint32_t> DeviceMaxReadSpeed{0}, DeviceMaxWriteSpeed{0};
  std::atomic<std::uint32_t> DeviceBufferSize{0}, DeviceFreeBufferSize{0};
  CapabilitiesPage Page2A;
  std::uint8_t WriteModes = 0;
  std::uint8_t MediaType = 0;
  DiscInformation DiscInfo;
  TrackInformation TrackInfo;

  // Drive quirks, set by SetDeviceID.
  bool UnderrunQuirk = false;
  bool LsvQuirk = false;
  bool LongReadyWait = false;
  bool CloseImmediate = true;

  // Options of the writer that drive the write parameters page.
  TWriteMethod WriteMethod = TWriteMethod::wmTAO;
  bool TestWrite = false;
  bool FinalizeDisc = false;

  bool DoDebug = false;
  TOnDebugMsg OnDebugMessage;
  TDeviceChangedEvent OnDeviceChange;
  std::mutex Lock;  // taken by the writer thread around its completion callback

  // Waits go through here so that tests need not sleep; Abort ends every wait early.
  std::function<void(std::chrono::milliseconds)> Sleep;
  std::atomic<bool> Abort{false};

 protected:
  void Debug(const std::string& message, std::uint8_t mType);

 private:
  bool Run(CommandBlock& block, std::uint32_t timeoutMs, bool acceptPending = false);
  bool RefuseRange(std::uint32_t value, std::uint32_t limit);
  void DecodeFailure(const CommandBlock& block);
  void ReportFailure(const CommandBlock& block);
  bool ChooseTransport(bool preferBuiltIn, const std::string& aspiPath);
  bool SendWritePage(std::span<const std::uint8_t> page);
  bool ReadWritePage(std::array<std::uint8_t, 512>& reply, std::size_t& offset, bool dataSetter);
  void ApplyQuirks();
  std::uint8_t LastAsc() const;

  ScsiPlatform& Platform;
  std::unique_ptr<Ktaspi32> BuiltIn;
  std::unique_ptr<AspiTransport> Library;
  AspiTransport* Transport = nullptr;
  bool PreferBuiltIn = false;
  std::array<std::uint8_t, 512> ModeBuffer{};
};

}  // namespace velmarond::device
