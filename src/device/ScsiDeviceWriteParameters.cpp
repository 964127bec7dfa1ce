// The write parameters page (05h) as the TSCSIDevice component and the audio writer fill it.

#include <algorithm>

#include "device/Bytes.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t WriteParametersPage = 0x05;
constexpr std::size_t KeptPageBytes = 54;
constexpr std::size_t ModeHeaderLength = 8;
constexpr std::uint16_t AudioPauseLength = 150;

// Byte 2.
constexpr std::uint8_t Bufe = 0x40, LsV = 0x20, TestWriteBit = 0x10;
// Byte 3.
constexpr std::uint8_t MultiSessionMask = 0xC0, Fp = 0x20;

void SetWriteType(std::uint8_t* page, std::uint8_t type) { page[2] = static_cast<std::uint8_t>((page[2] & 0xF0) | type); }
void SetTrackMode(std::uint8_t* page, std::uint8_t mode) { page[3] = static_cast<std::uint8_t>((page[3] & 0xF0) | mode); }
void SetBit(std::uint8_t& byte, std::uint8_t bit, bool on) { byte = static_cast<std::uint8_t>(on ? byte | bit : byte & ~bit); }
void SetMultiSession(std::uint8_t* page, bool next) { SetBit(page[3], MultiSessionMask, false); if (next) page[3] |= MultiSessionMask; }
bool MultiSessionAllowed(const std::uint8_t* page) { return (page[3] & MultiSessionMask) == MultiSessionMask; }
void SetPacketSize(std::uint8_t* page, std::uint32_t size) { PutBe32(std::span<std::uint8_t>(page, KeptPageBytes), 10, size); }
void SetPause(std::uint8_t* page) { PutBe16(std::span<std::uint8_t>(page, KeptPageBytes), 14, AudioPauseLength); }

}  // namespace

bool TSCSIDevice::ReadWritePage(std::array<std::uint8_t, 512>& reply, std::size_t& offset, bool dataSetter) {
  reply.fill(0);
  if (!ModeSense(WriteParametersPage, false, static_cast<std::uint32_t>(reply.size()), reply, static_cast<std::uint32_t>(reply.size())))
    return false;
  if (reply[16] == WriteParametersPage) offset = 16;
  else if (reply[8] == WriteParametersPage) offset = 8;
  else if (dataSetter && reply[7] == WriteParametersPage) offset = 7;
  else offset = 8;
  return true;
}

// An 8-byte header of zeros, then the page; the length sent is the page length + 10.
bool TSCSIDevice::SendWritePage(std::span<const std::uint8_t> page) {
  std::array<std::uint8_t, ModeHeaderLength + KeptPageBytes> parameters{};
  std::copy_n(page.begin(), KeptPageBytes, parameters.begin() + ModeHeaderLength);
  const std::uint32_t length = std::min<std::uint32_t>(page[1] + 10u, static_cast<std::uint32_t>(parameters.size()));
  return ModeSelect(parameters, length);
}

bool TSCSIDevice::SetDataWriteParameters(bool testWrite, bool underrun, std::uint8_t mediaType, bool dualLayerNextSession) {
  const std::uint8_t m = mediaType;
  if (m == 6) return true;  // DVD-RAM takes no write parameters
  std::array<std::uint8_t, 512> reply{};
  std::size_t offset = 8;
  if (!ReadWritePage(reply, offset, true)) return false;
  std::array<std::uint8_t, KeptPageBytes> copy{};
  std::copy_n(reply.begin() + offset, KeptPageBytes, copy.begin());
  std::uint8_t* p = copy.data();

  p[1] = 0x32;
  if (m == 5) {
    p[2] = 0x60; p[3] = 0xE5; p[5] = 16; SetPacketSize(p, 16);
  } else {
    p[2] = 0x01; p[3] = 0x04; p[5] = 0; SetPacketSize(p, 0);
  }
  p[4] = 0x08;
  if (m == 10 || m == 11) { p[2] = 0x22; p[3] |= 0xC0; }
  if (LsvQuirk) p[2] |= LsV;
  if (m == 5 || m == 7 || m == 8 || m == 9 || m == 11) {
    p[3] |= 0xE0;
  } else if (!testWrite && !FinalizeDisc) {
    SetMultiSession(p, true);
  } else if (MultiSessionAllowed(p)) {
    SetMultiSession(p, false);
  }
  SetBit(p[2], Bufe, underrun && (Capabilities & Capability::UnderrunProtection));
  SetBit(p[2], TestWriteBit, testWrite && (Capabilities & Capability::TestWrite));
  p[6] = p[7] = p[8] = p[9] = 0;
  if (m == 11) { p[6] = 0x10; SetPacketSize(p, 16); }
  if (m == 8 || m == 9) { p[2] = 0x20; p[3] = 0xC5; p[5] = 16; }
  if (m == 11) { p[3] = 0xC4; p[6] = 0; }
  if (m == 12) {
    SetWriteType(p, 2); SetTrackMode(p, 4); p[6] = 0; p[2] |= LsV; p[5] = 0;
    SetBit(p[3], Fp, false); SetPacketSize(p, 0); SetMultiSession(p, dualLayerNextSession);
  } else if (underrun && (Page2A.Bytes[4] & 0x80)) {
    p[2] |= Bufe;
  }
  if (m == 10) { p[3] = 0x04; p[5] = 16; }
  SetPause(p);
  return SendWritePage(copy);
}

bool TSCSIDevice::SetAudioWriteParameters(bool underrun, bool nextSession, std::uint8_t sessionFormat, bool copyFlag,
                                          bool audio) {
  std::array<std::uint8_t, 512> reply{};
  std::size_t offset = 8;
  if (!ReadWritePage(reply, offset, false)) return false;
  std::array<std::uint8_t, KeptPageBytes> copy{};
  std::copy_n(reply.begin() + offset, KeptPageBytes, copy.begin());
  std::uint8_t* p = copy.data();

  SetPacketSize(p, 0);
  SetPause(p);
  const bool trackAtOnce = WriteMethod == TWriteMethod::wmTAO;
  SetWriteType(p, trackAtOnce ? 1 : 2);
  SetBit(p[2], Bufe, underrun && (Capabilities & Capability::UnderrunProtection));
  if (trackAtOnce) {
    if (audio) { p[3] = static_cast<std::uint8_t>(0xC0 | (copyFlag ? 0x10 : 0)); p[4] = 0; p[8] = 0; }
    else { p[3] = 0x04; p[4] = 0x0D; p[8] = sessionFormat; }
  } else {
    p[3] = 0x04; p[4] = 0; p[8] = audio ? 0 : sessionFormat;
  }
  p[9] = 0;
  if (!TestWrite) SetMultiSession(p, nextSession);
  else p[2] |= TestWriteBit;
  return SendWritePage(copy);
}

std::uint8_t TSCSIDevice::ProbeWriteModes() {
  struct Mode { std::uint8_t WriteType, DataBlockType, Bit; };
  constexpr Mode modes[] = {{3, 1, 0x01}, {2, 0, 0x02}, {1, 0, 0x04}};
  WriteModes = 0;
  std::array<std::uint8_t, 512> reply{};
  std::size_t offset = 8;
  if (!ReadWritePage(reply, offset, false)) return WriteModes;
  for (const Mode& mode : modes) {
    std::array<std::uint8_t, KeptPageBytes> copy{};
    std::copy_n(reply.begin() + offset, KeptPageBytes, copy.begin());
    std::uint8_t* p = copy.data();
    p[2] = mode.WriteType;
    p[4] = mode.DataBlockType;
    p[3] = 0;
    p[8] = p[9] = 0;
    SetPause(p);
    if (SendWritePage(copy)) WriteModes |= mode.Bit;
  }
  return WriteModes;
}

}  // namespace velmarond::device
