// What the data engine asks about its drive and disc: capabilities by code, media type, sessions,
// writable and free space, and the write parameters page in its own form.

#include <algorithm>
#include <cstring>

#include "device/Bytes.h"
#include "device/EngineDevice.h"
#include "device/MediaTypes.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t CapabilitiesPageCode = 0x2A;
constexpr std::uint8_t WriteParametersPage = 0x05;
constexpr std::uint32_t NoTrackSize = 0xFFFFFFFF;
constexpr std::uint8_t Bufe = 0x40, LsV = 0x20, TestWriteBit = 0x10, Fp = 0x20;

bool Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1; }
void SetWriteType(std::uint8_t* p, std::uint8_t type) { p[2] = static_cast<std::uint8_t>((p[2] & 0xF0) | type); }
void SetTrackMode(std::uint8_t* p, std::uint8_t mode) { p[3] = static_cast<std::uint8_t>((p[3] & 0xF0) | mode); }
void SetMultiSession(std::uint8_t* p, bool next) { p[3] = static_cast<std::uint8_t>((p[3] & 0x3F) | (next ? 0xC0 : 0)); }
void SetPacketSize(std::uint8_t* p, std::uint32_t size) { PutBe32(std::span<std::uint8_t>(p, 16), 10, size); }
std::uint32_t SaturatingMinus(std::uint32_t a, std::uint32_t b) { return a > b ? a - b : 0; }

constexpr std::string_view Labels[43] = {
    "", "ReadCDR", "ReadCDRW", "ReadDVDRAM", "ReadDVDR", "ReadDVDRW", "ReadDVDPLUSR", "ReadDVDPLUSRW",
    "ReadDVDPLUSRDL", "ReadHDDVDROM", "ReadHDDVDR", "ReadHDDVDRAM", "ReadBDROM", "ReadBDR", "ReadBDRE",
    "", "", "", "", "", "", "WriteCDR", "WriteCDRW", "WriteDVDRAM", "WriteDVDR", "WriteDVDRW",
    "WriteDVDPLUSR", "WriteDVDPLUSRW", "WriteDVDPLUSRDL", "WriteHDDVDR", "WriteHDDVDRAM", "WriteBDR",
    "WriteBDRE", "", "", "", "", "", "", "", "", "WriteTest", "UnderrunProtection"};

}  // namespace

std::string_view CapabilityLabel(int code) { return code >= 0 && code < 43 ? Labels[code] : std::string_view(); }

bool EngineDevice::SetWriteParameters(bool testWrite, bool underrun, std::uint8_t m, bool nextSession) {
  std::array<std::uint8_t, 512> reply{};
  if (!ModeSense(WriteParametersPage, false, reply)) return false;
  const std::size_t offset = reply[8] == WriteParametersPage ? 8 : 16;
  const std::uint8_t pageLength = reply[offset + 1];
  std::array<std::uint8_t, 256> image{};
  constexpr std::uint8_t page05Template[16] = {0x05, 0x32, 0x42, 0xC4, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x96};
  std::copy(std::begin(page05Template), std::end(page05Template), image.begin());
  std::uint8_t* p = image.data();
  p[1] = pageLength;
  p[2] = (0x42 & 0xF0) | 1;
  p[4] = 0x08;
  p[8] = 0;
  p[3] = 0xC4;
  if (m == 21 || m == 22) { SetWriteType(p, 2); SetTrackMode(p, 5); }
  if (m == 5 || m == 7 || m == 8 || m == 9) { SetWriteType(p, 0); SetTrackMode(p, 5); }
  if (!testWrite) SetMultiSession(p, nextSession);
  if (m == 5) { p[3] |= 0xE0; SetPacketSize(p, 16); p[5] = 16; p[2] |= LsV; }
  if (m == 8 || m == 9) { SetMultiSession(p, true); p[3] &= ~Fp; SetPacketSize(p, 16); p[5] = 16; p[2] |= LsV; }
  p[4] = 0x08;
  if (m == 10 || m == 11) {
    SetWriteType(p, 2); SetTrackMode(p, 4); p[6] = 0; p[2] |= LsV; p[5] = 16;
    if (m == 10) { p[3] &= ~Fp; SetPacketSize(p, 0); }
    if (m == 11) {
      p[3] |= Fp; SetPacketSize(p, 16);
      if (!nextSession) { p[3] &= ~Fp; SetPacketSize(p, 0); p[5] = 0; }
    }
  }
  if (m == 12) {
    SetWriteType(p, 2); SetTrackMode(p, 4); p[6] = 0; p[2] |= LsV; p[5] = 0; p[3] &= ~Fp; SetPacketSize(p, 0);
    SetMultiSession(p, nextSession);
  }
  PutBe16(std::span<std::uint8_t>(p, 16), 14, 150);
  if (testWrite) p[2] |= TestWriteBit;
  // Underrun protection follows the caller's choice: switched off, BUFE is really clear.
  p[2] = static_cast<std::uint8_t>(underrun ? p[2] | Bufe : p[2] & ~Bufe);
  std::copy_n(image.begin(), std::min<std::size_t>(pageLength, reply.size() - offset), reply.begin() + offset);
  const std::size_t length = std::min<std::size_t>(offset + pageLength + 2, reply.size());
  return ModeSelect(std::span<const std::uint8_t>(reply.data(), length));
}

bool EngineDevice::FeaturePresent(std::uint16_t feature, bool noProfileCounts, std::uint8_t* byte4) {
  std::array<std::uint8_t, 112> reply{};
  if (!GetConfiguration(feature, static_cast<std::uint32_t>(reply.size()), reply)) return false;
  if (GetBe16(reply, 8) == feature) {
    if (byte4 != nullptr) *byte4 = reply[12];
    return true;
  }
  return noProfileCounts && GetBe16(reply, 6) == 0;
}

void EngineDevice::RefreshCapabilities() {
  CapabilityPage.fill(0);
  Features.fill(false);
  std::array<std::uint8_t, 128> reply{};
  if (!ModeSense(CapabilitiesPageCode, true, reply)) return;
  const std::size_t offset = reply[8] == CapabilitiesPageCode ? 8 : reply[16] == CapabilitiesPageCode ? 16 : 8;
  std::copy_n(reply.begin() + offset, CapabilityPage.size(), CapabilityPage.begin());
  MaxReadSpeedDefault = GetBe16(CapabilityPage, 8);
  MaxWriteSpeedDefault = GetBe16(CapabilityPage, 18);

  std::array<std::uint8_t, 128> current{};
  if (ModeSense(CapabilitiesPageCode, false, current)) {
    const std::size_t at = current[8] == CapabilitiesPageCode ? 8 : current[16] == CapabilitiesPageCode ? 16 : 8;
    std::span<const std::uint8_t> page(current.data() + at, 64);
    MaxReadSpeed = GetBe16(page, 8);
    BufferSizeKb = GetBe16(page, 12);
    CurrentReadSpeed = GetBe16(page, 14);
    MaxWriteSpeed = GetBe16(page, 18);
    CurrentWriteSpeed = GetBe16(page, 20);
  }
  const auto& p = CapabilityPage;
  Features[1] = Bit(p[2], 0);
  Features[2] = Bit(p[2], 1);
  Features[3] = Bit(p[2], 5);
  Features[4] = Bit(p[2], 4);
  Features[21] = Bit(p[3], 0);
  Features[22] = Bit(p[3], 1);
  Features[23] = Bit(p[3], 5);
  Features[24] = Bit(p[3], 4);
  Features[41] = Bit(p[3], 2);
  std::array<std::uint8_t, 128> underrun{};
  Features[42] = Bit(p[4], 7) || (ModeSense(0x30, true, underrun) &&
                                  (underrun[8] == 0x30 || underrun[16] == 0x30 || underrun[7] == 0x30));

  std::uint8_t byte4 = 0;
  const bool dvdPlus = FeaturePresent(0x002A, true, &byte4);
  Features[6] = Features[7] = dvdPlus;
  Features[26] = Features[27] = dvdPlus && Bit(byte4, 0);
  byte4 = 0;
  const bool dvdPlusDl = FeaturePresent(0x003B, false, &byte4);
  Features[8] = dvdPlusDl;
  Features[28] = dvdPlusDl && Bit(byte4, 0);
  byte4 = 0;
  Features[5] = Features[25] = FeaturePresent(0x002F, true, &byte4) && Bit(byte4, 1);
  Features[12] = Features[13] = Features[14] = FeaturePresent(0x0040, true);
  Features[31] = Features[32] = FeaturePresent(0x0041, true);
  Features[9] = Features[10] = Features[11] = FeaturePresent(0x0050, true);
  Features[29] = Features[30] = FeaturePresent(0x0051, true);
}

bool EngineDevice::DeviceFeature(int code) {
  switch (code) {
    case 72: return Log.Open(ProgramFolderLogPath());
    case 73: Log.Close(); return true;
    case 77: Write10Quirk = true; return true;
    default: return code >= 1 && code <= 42 && Features[static_cast<std::size_t>(code)];
  }
}

std::uint8_t EngineDevice::MediaType() {
  std::array<std::uint8_t, 112> config{};
  if (GetConfiguration(0, static_cast<std::uint32_t>(config.size()), config))
    return EngineMediaTypeFromProfile(GetBe16(config, 6));
  std::array<std::uint8_t, 30> atip{};
  if (ReadTOC(4, true, 0, static_cast<std::uint32_t>(atip.size()), atip))
    return !Bit(atip[6], 7) ? EngineMedia::CdRom : Bit(atip[6], 6) ? EngineMedia::CdRw : EngineMedia::CdR;
  std::array<std::uint8_t, 64> info{};
  if (ReadDiscInfo64(info)) return Bit(info[2], 4) ? EngineMedia::CdRw : EngineMedia::CdR;
  return TestUnitReady() ? EngineMedia::CdRom : EngineMedia::Unknown;
}

bool EngineDevice::ReadDiscInfo64(std::array<std::uint8_t, 64>& info) {
  info.fill(0);
  return ReadDiscInformation(info);
}

bool EngineDevice::ReadTrack(std::uint8_t track, std::array<std::uint8_t, 38>& info) {
  info.fill(0);
  return ReadTrackInformation(track, info);
}

int EngineDevice::SessionCount() {
  std::array<std::uint8_t, 64> info{};
  if (!ReadDiscInfo64(info)) return MediaType() == EngineMedia::DvdRam ? 1 : 0;
  const int sessions = info[4];
  return ((info[2] >> 2) & 0x03) == 0 ? std::max(sessions - 1, 0) : sessions;
}

int EngineDevice::LastTrackNumber() {
  std::array<std::uint8_t, 64> info{};
  return ReadDiscInfo64(info) ? info[6] : 0;
}

bool EngineDevice::IsDiscErasable() {
  const std::uint8_t m = MediaType();
  if (m >= 6 && m <= 10) return true;
  std::array<std::uint8_t, 64> info{};
  return ReadDiscInfo64(info) && Bit(info[2], 4);
}

bool EngineDevice::IsDiscWritable() {
  const std::uint8_t m = MediaType();
  if (m == 6 || m == 8 || m == 10 || m == 16) return true;
  std::array<std::uint8_t, 64> info{};
  const bool haveInfo = ReadDiscInfo64(info);
  if (haveInfo && (info[2] & 0x03) <= 1) return true;
  if (haveInfo && (info[2] & 0x03) == 2) return false;
  SetWriteParameters(false, false, m, true);
  std::array<std::uint8_t, 38> track{};
  if (ReadTrack(0xFF, track) && GetBe32(track, 16) != 0) return true;
  return ReadTrack(static_cast<std::uint8_t>(info[6] + 1), track) && GetBe32(track, 16) != 0;
}

std::uint32_t EngineDevice::FreeSectors() {
  if (!IsDiscWritable()) return 0;
  const std::uint8_t m = MediaType();
  SetWriteParameters(false, false, m, true);
  std::array<std::uint8_t, 64> info{};
  std::array<std::uint8_t, 38> track{};
  if (ReadDiscInfo64(info) && ReadTrack(info[6], track) && GetBe32(track, 24) != NoTrackSize) {
    const std::uint32_t size = GetBe32(track, 24);
    if (m == 6 || m == 10 || m == 16) return SaturatingMinus(size, IsoVolumeSize());
    // A restricted-overwrite DVD-RW is one track as large as the formatted capacity: what is free is
    // the part the file system does not use yet, as on the other overwritable media.
    if (m == 8) return SaturatingMinus(std::max(FormattedCapacity(), size), IsoVolumeSize());
    return std::max(GetBe32(track, 16), size);
  }
  // Overwritable media (BD-RE as well as DVD-RAM and DVD+RW) still have their formatted capacity.
  if (m == 6 || m == 8 || m == 10 || m == 16) return SaturatingMinus(FormattedCapacity(), IsoVolumeSize());
  return 0;
}

std::uint32_t EngineDevice::Capacity() {
  SetWriteParameters(false, false, MediaType(), true);
  std::array<std::uint8_t, 64> info{};
  std::array<std::uint8_t, 38> track{};
  if (!ReadDiscInfo64(info) || !ReadTrack(info[6], track)) return FormattedCapacity();
  if (!Bit(track[6], 4)) return GetBe32(track, 8) + GetBe32(track, 24);
  return GetBe32(track, 24) == NoTrackSize ? 0 : FormattedCapacity();
}

std::uint32_t EngineDevice::IsoVolumeSize() {
  constexpr std::uint32_t First = 16, Last = 31;
  std::vector<std::uint8_t> sectors((Last - First + 1) * 2048);
  std::vector<bool> read(Last - First + 1, false);
  for (std::uint32_t lba = First; lba <= Last; ++lba)
    read[lba - First] = Read10(lba, 1, std::span<std::uint8_t>(sectors.data() + (lba - First) * 2048, 2048));
  for (std::uint8_t type : {std::uint8_t{2}, std::uint8_t{1}}) {
    for (std::uint32_t i = 0; i < read.size(); ++i) {
      const std::uint8_t* sector = sectors.data() + i * 2048;
      if (read[i] && sector[0] == type && std::memcmp(sector + 1, "CD001", 5) == 0)
        return GetLe32(std::span<const std::uint8_t>(sector, 2048), 80);
    }
  }
  return 0;
}

std::uint32_t EngineDevice::FormattedCapacity() {
  std::array<std::uint8_t, 124> reply{};
  if (!ReadFormatCapacities(reply)) return 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = 4 + i * 8;
    if (reply[at + 4] == 0 && reply[at + 5] == 0 && reply[at + 6] == 0x08 && reply[at + 7] == 0)
      return GetBe32(reply, at);
  }
  return GetBe32(reply, 4);
}

std::uint32_t EngineDevice::BufferFill() {
  if (!ReadBufferCapacity()) return 0;
  return SaturatingMinus(BufferLength, BufferFree);
}

}  // namespace velmarond::device
