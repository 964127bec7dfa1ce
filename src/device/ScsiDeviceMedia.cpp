// What the TSCSIDevice component learns about its drive and disc: capabilities, media type,
// erasable and writable disc, and the bounded wait for a drive that is closing a disc.

#include <algorithm>

#include "device/Bytes.h"
#include "device/MediaTypes.h"
#include "device/ScsiDevice.h"
#include "device/SenseTexts.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t CapabilitiesPageCode = 0x2A;
constexpr std::uint8_t UnderrunPageCode = 0x30;
constexpr std::uint16_t FallbackWriteSpeed = 1385;
constexpr std::uint8_t NotReadyAsc = 0x04;
constexpr std::uint32_t ReadyProbeTimeoutMs = 5'000;

std::size_t LocatePage(std::span<const std::uint8_t> reply, std::uint8_t page) {
  if (reply[16] == page) return 16;
  if (reply[8] == page) return 8;
  if (reply[7] == page) return 7;
  return 8;
}

bool HasBit(std::uint8_t byte, int bit) { return (byte >> bit) & 1; }

}  // namespace

bool TSCSIDevice::ReadCapabilities() {
  Capabilities = 0;
  DeviceMaxReadSpeed = 0;
  DeviceMaxWriteSpeed = 0;
  Page2A = {};
  std::array<std::uint8_t, 512> reply{};

  if (ModeSense(CapabilitiesPageCode, true, 255, reply, 255)) {
    const std::size_t offset = LocatePage(reply, CapabilitiesPageCode);
    std::copy_n(reply.begin() + offset, Page2A.Bytes.size(), Page2A.Bytes.begin());
    const auto& p = Page2A.Bytes;
    const std::pair<bool, std::uint32_t> pageBits[] = {
        {HasBit(p[2], 0), Capability::ReadCdR},
        {HasBit(p[2], 1), Capability::ReadCdRw},
        {HasBit(p[2], 2), Capability::ReadMethod2},
        {HasBit(p[2], 3), Capability::ReadDvdRom},
        {HasBit(p[2], 4), Capability::ReadDvdR | Capability::ReadDvdRw},
        {HasBit(p[2], 5), Capability::ReadDvdRam},
        {HasBit(p[3], 0), Capability::WriteCdR},
        {HasBit(p[3], 1), Capability::WriteCdRw},
        {HasBit(p[3], 2), Capability::TestWrite},
        {HasBit(p[3], 4), Capability::WriteDvdR | Capability::WriteDvdRw},
        {HasBit(p[3], 5), Capability::WriteDvdRam},
        {HasBit(p[4], 7), Capability::UnderrunProtection},
    };
    for (const auto& [set, bits] : pageBits) {
      if (set) Capabilities |= bits;
    }
    std::array<std::uint8_t, 512> underrun{};
    if (ModeSense(UnderrunPageCode, true, 128, underrun, 128) &&
        (underrun[16] == UnderrunPageCode || underrun[8] == UnderrunPageCode || underrun[7] == UnderrunPageCode))
      Capabilities |= Capability::UnderrunProtection;
    if (UnderrunQuirk) Capabilities |= Capability::UnderrunProtection;

    const bool writesDvdRam = Capabilities & Capability::WriteDvdRam;
    DeviceMaxWriteSpeed = GetBe16(p, 18) == 0 && writesDvdRam ? 1u : GetBe16(p, 18);
    DeviceMaxReadSpeed = GetBe16(p, 8) == 0 && writesDvdRam ? 1u : GetBe16(p, 8);

    struct FeatureBits { std::uint16_t Feature; std::uint32_t Read, Write; };
    constexpr FeatureBits features[] = {
        {0x002A, Capability::ReadDvdPlusRw | Capability::ReadDvdPlusR, Capability::WriteDvdPlusRw | Capability::WriteDvdPlusR},
        {0x003B, Capability::ReadDvdPlusRDl, Capability::WriteDvdPlusRDl},
        {0x002F, Capability::ReadDvdR | Capability::ReadDvdRw, Capability::WriteDvdR | Capability::WriteDvdRw},
    };
    for (const FeatureBits& feature : features) {
      std::array<std::uint8_t, 114> config{};
      if (!GetConfiguration(2, feature.Feature, static_cast<std::uint32_t>(config.size()), config)) continue;
      if (GetBe16(config, 8) != feature.Feature) continue;
      Capabilities |= feature.Read;
      if (config[12] == 1) Capabilities |= feature.Write;
    }
  }

  reply.fill(0);
  if (!ModeSense(CapabilitiesPageCode, false, 128, reply, 128)) return false;
  const std::size_t offset = LocatePage(reply, CapabilitiesPageCode);
  std::copy_n(reply.begin() + offset, Page2A.Bytes.size(), Page2A.Bytes.begin());
  const auto& p = Page2A.Bytes;
  Page2A.MaxReadSpeed = GetBe16(p, 8);
  Page2A.BufferSizeKb = GetBe16(p, 12);
  Page2A.CurrentReadSpeed = GetBe16(p, 14);
  Page2A.MaxWriteSpeed = GetBe16(p, 18);
  Page2A.CurrentWriteSpeed = GetBe16(p, 20);
  if (Page2A.CurrentWriteSpeed == 0) Page2A.CurrentWriteSpeed = FallbackWriteSpeed;
  if (Page2A.MaxWriteSpeed == 0) Page2A.MaxWriteSpeed = FallbackWriteSpeed;
  DeviceMaxWriteSpeed = std::max<std::uint32_t>(DeviceMaxWriteSpeed, Page2A.MaxWriteSpeed);
  DeviceMaxReadSpeed = std::max<std::uint32_t>(DeviceMaxReadSpeed, Page2A.MaxReadSpeed);
  return true;
}

std::uint16_t TSCSIDevice::CurrentWriteSpeed() { return ReadCapabilities() ? Page2A.CurrentWriteSpeed : 0; }

std::uint8_t TSCSIDevice::GetMediaType() {
  MediaType = 0;
  std::array<std::uint8_t, 114> config{};
  if (GetConfiguration(2, 0, static_cast<std::uint32_t>(config.size()), config))
    MediaType = ComponentMediaTypeFromProfile(GetBe16(config, 6));
  if (MediaType == 0) {
    std::array<std::uint8_t, 26> atip{};
    if (ReadTOC(4, true, 0, 0, static_cast<std::uint32_t>(atip.size()), atip))
      MediaType = HasBit(atip[6], 7) ? (HasBit(atip[6], 6) ? 3 : 2) : 1;
  }
  if (MediaType == 0 && ReadDiscInformation()) MediaType = DiscInfo.Erasable() ? 3 : 2;
  if (MediaType == 0 && TestUnitReady(ReadyProbeTimeoutMs)) MediaType = 1;
  return MediaType;
}

bool TSCSIDevice::IsDiscErasable() {
  if (ReadDiscInformation()) return DiscInfo.Erasable();
  return MediaType == 6 || MediaType == 8 || MediaType == 9 || MediaType == 10;
}

bool TSCSIDevice::IsDiscWritable() { return ReadDiscInformation() && DiscInfo.DiscStatus() <= 1; }

// Every loop tests the sense of the command it just sent, spends its budget on each round and
// gives up on Abort, so a drive that never becomes ready ends the wait in totalMs.
bool TSCSIDevice::WaitUntilReady(std::int64_t totalMs, std::int64_t stepMs) {
  std::int64_t budget = totalMs;
  std::array<std::uint8_t, 40> sense{};
  auto pause = [this](std::int64_t ms) { Sleep(std::chrono::milliseconds(ms)); };

  if (LongReadyWait) {
    do {
      if (Abort) return false;
      pause(1500);
      budget -= 1500;
      if (budget < 0) break;
      TestUnitReady(ReadyProbeTimeoutMs);
    } while (LastAsc() == NotReadyAsc);
  }
  bool skipToUnitReady = MediaType == 6;
  if (!skipToUnitReady) {
    do {
      if (Abort) return false;
      pause(stepMs);
      ReadDiscInformation();
      budget -= stepMs;
      if (budget < 0) return false;
    } while (LastAsc() == NotReadyAsc);
    if (TestUnitReady(ReadyProbeTimeoutMs) && std::all_of(LastSense.begin(), LastSense.end(), [](auto b) { return b == 0; }))
      return true;
  }
  do {
    if (Abort) return false;
    pause(stepMs);
    budget -= stepMs;
    if (budget < 0) return false;
    TestUnitReady(ReadyProbeTimeoutMs);
  } while (LastAsc() == NotReadyAsc);
  while (true) {
    if (Abort) return false;
    sense.fill(0);
    RequestSense(sense, static_cast<std::uint32_t>(sense.size()));
    budget -= stepMs;
    if (budget < 0) return false;
    const std::uint8_t asc = sense[0] == 0xF0 ? NotReadyAsc : DecodeSense(sense).Asc;
    if (asc == 0) return true;
    if (asc == NotReadyAsc) pause(stepMs);
  }
}

}  // namespace velmarond::device
