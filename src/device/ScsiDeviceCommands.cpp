// The TSCSIDevice component's MMC commands: one small function per opcode, each with its timeout.

#include <algorithm>
#include <cstring>

#include "device/Bytes.h"
#include "device/ScsiDevice.h"

namespace velmarond::device {

namespace {

constexpr std::uint32_t ByteFieldLimit = 255;
constexpr std::uint32_t WordFieldLimit = 65'535;
constexpr std::uint16_t MaximumSpeed = 0xFFFF;

CommandBlock NewBlock(std::uint8_t cdbLength, std::uint8_t flags, void* data = nullptr, std::uint32_t length = 0) {
  CommandBlock block{};
  block.Header.Flags = flags;
  block.CdbLength = cdbLength;
  block.SetBuffer(data, length);
  return block;
}

}  // namespace

bool TSCSIDevice::Run(CommandBlock& block, std::uint32_t timeoutMs, bool acceptPending) {
  const std::uint8_t status = ExecuteCommand(block, timeoutMs);
  return status == SrbStatus::Complete || (acceptPending && status == SrbStatus::Pending);
}

// A length that does not fit its CDB field (or the buffer it describes) is refused unsent.
bool TSCSIDevice::RefuseRange(std::uint32_t value, std::uint32_t limit) {
  if (value <= limit) return false;
  LastErrorText = "RANGE ERROR (" + std::to_string(value) + " > " + std::to_string(limit) + ")";
  return true;
}

bool TSCSIDevice::TestUnitReady(std::uint32_t timeoutMs) {
  CommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x00;
  return Run(block, timeoutMs);
}

bool TSCSIDevice::RezeroUnit() {
  CommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x01;
  return Run(block, 10'000);
}

bool TSCSIDevice::RequestSense(std::span<std::uint8_t> buffer, std::uint32_t length) {
  if (RefuseRange(length, std::min<std::uint32_t>(ByteFieldLimit, static_cast<std::uint32_t>(buffer.size()))))
    return false;
  CommandBlock block = NewBlock(6, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x03;
  block.Cdb[4] = static_cast<std::uint8_t>(length);
  return Run(block, 10'000);
}

bool TSCSIDevice::Inquiry() {
  CommandBlock block = NewBlock(6, SrbFlags::In, InquiryBuffer.data(), static_cast<std::uint32_t>(InquiryBuffer.size()));
  block.Cdb[0] = 0x12;
  block.Cdb[4] = 0x80;
  return Run(block, 10'000);
}

// The drive handle must not stay open over a tray movement, so these two commands always close it;
// the flag is put back afterwards for a write that keeps the drive open.
bool TSCSIDevice::LoadEject(bool eject) {
  const bool closing = CloseAfterEachCommand();
  SetCloseAfterEachCommand(true);
  CommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x1B;
  block.Cdb[4] = eject ? 0x02 : 0x03;
  const bool done = Run(block, 20'000);
  SetCloseAfterEachCommand(closing);
  return done;
}

bool TSCSIDevice::PreventAllowRemoval(bool allow) {
  const bool closing = CloseAfterEachCommand();
  SetCloseAfterEachCommand(true);
  CommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x1E;
  block.Cdb[4] = allow ? 0 : 1;
  const bool done = Run(block, 10'000);
  SetCloseAfterEachCommand(closing);
  return done;
}

bool TSCSIDevice::Write10(std::uint32_t lba, std::uint16_t blocks, std::uint8_t flags, std::uint32_t length,
                          void* buffer) {
  CommandBlock block = NewBlock(10, flags, buffer, length);
  block.Cdb[0] = 0x2A;
  PutBe32(block.Cdb, 2, lba);
  PutBe16(block.Cdb, 7, blocks);
  return Run(block, 120'000, true);
}

bool TSCSIDevice::SynchronizeCache(std::uint32_t timeoutMs, bool immediate) {
  CommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x35;
  block.Cdb[1] = immediate ? 0x02 : 0x00;
  return Run(block, timeoutMs);
}

bool TSCSIDevice::ReadTOC(std::uint8_t format, bool msf, std::uint8_t trackOrSession, std::uint8_t control,
                          std::uint32_t length, std::span<std::uint8_t> buffer) {
  if (RefuseRange(length, std::min<std::uint32_t>(ByteFieldLimit, static_cast<std::uint32_t>(buffer.size()))))
    return false;
  CommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x43;
  block.Cdb[1] = msf ? 0x02 : 0x00;
  block.Cdb[2] = format;
  block.Cdb[6] = trackOrSession;
  block.Cdb[8] = static_cast<std::uint8_t>(length);
  block.Cdb[9] = control;
  return Run(block, 10'000);
}

bool TSCSIDevice::GetConfiguration(std::uint8_t requestType, std::uint32_t startingFeature, std::uint32_t length,
                                   std::span<std::uint8_t> buffer) {
  if (RefuseRange(startingFeature, ByteFieldLimit) ||
      RefuseRange(length, std::min<std::uint32_t>(ByteFieldLimit, static_cast<std::uint32_t>(buffer.size()))))
    return false;
  CommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x46;
  block.Cdb[1] = requestType;
  block.Cdb[3] = static_cast<std::uint8_t>(startingFeature);
  block.Cdb[8] = static_cast<std::uint8_t>(length);
  return Run(block, 30'000);
}

bool TSCSIDevice::ReadDiscInformation(std::uint32_t length) {
  if (RefuseRange(length, static_cast<std::uint32_t>(DiscInfo.Bytes.size()))) return false;
  DiscInfo = {};
  CommandBlock block = NewBlock(10, SrbFlags::In, DiscInfo.Bytes.data(), length);
  block.Cdb[0] = 0x51;
  block.Cdb[8] = static_cast<std::uint8_t>(length);
  if (!Run(block, 10'000)) return false;
  DiscInfo.DataLength = GetBe16(DiscInfo.Bytes, 0);
  return true;
}

bool TSCSIDevice::ReadTrackInformation(std::uint8_t track) {
  TrackInfo = {};
  CommandBlock block = NewBlock(10, SrbFlags::In, TrackInfo.Bytes.data(), static_cast<std::uint32_t>(TrackInfo.Bytes.size()));
  block.Cdb[0] = 0x52;
  block.Cdb[1] = 0x01;
  block.Cdb[5] = track;
  block.Cdb[8] = 0x28;
  if (!Run(block, 60'000)) return false;
  const auto& bytes = TrackInfo.Bytes;
  TrackInfo.DataLength = GetBe16(bytes, 0);
  TrackInfo.TrackNumber = bytes[2];
  TrackInfo.TrackStart = GetBe32(bytes, 8);
  TrackInfo.NextWritable = GetBe32(bytes, 12);
  TrackInfo.FreeBlocks = GetBe32(bytes, 16);
  TrackInfo.FixedPacketSize = GetBe32(bytes, 20);
  TrackInfo.TrackSize = GetBe32(bytes, 24);
  TrackInfo.LastRecorded = GetBe32(bytes, 28);
  return true;
}

bool TSCSIDevice::SendOPC() {
  CommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x54;
  block.Cdb[1] = 0x01;
  return Run(block, 150'000);
}

bool TSCSIDevice::ModeSelect(std::span<const std::uint8_t> parameters, std::uint32_t length) {
  if (RefuseRange(length, std::min<std::uint32_t>(ByteFieldLimit, static_cast<std::uint32_t>(parameters.size()))))
    return false;
  CommandBlock block = NewBlock(10, SrbFlags::Out, const_cast<std::uint8_t*>(parameters.data()), length);
  block.Cdb[0] = 0x55;
  block.Cdb[1] = 0x10;
  block.Cdb[8] = static_cast<std::uint8_t>(length);
  return Run(block, 10'000);
}

bool TSCSIDevice::ModeSense(std::uint8_t page, bool defaultValues, std::uint32_t length,
                            std::span<std::uint8_t> buffer, std::uint32_t clearLength) {
  if (RefuseRange(length, std::min<std::uint32_t>(WordFieldLimit, static_cast<std::uint32_t>(ModeBuffer.size()))))
    return false;
  std::fill_n(ModeBuffer.begin(), std::min<std::size_t>(clearLength, ModeBuffer.size()), 0);
  CommandBlock block = NewBlock(10, SrbFlags::In, ModeBuffer.data(), length);
  block.Cdb[0] = 0x5A;
  block.Cdb[2] = static_cast<std::uint8_t>(page | (defaultValues ? 0x80 : 0x00));
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(length));
  if (!Run(block, 20'000)) return false;
  std::copy_n(ModeBuffer.begin(), std::min<std::size_t>(length, buffer.size()), buffer.begin());
  return true;
}

bool TSCSIDevice::CloseTrackSession(bool closeTrack, bool immediate, bool function5) {
  CommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x5B;
  block.Cdb[1] = immediate ? 0x01 : 0x00;
  block.Cdb[2] = function5 ? 0x05 : closeTrack ? 0x01 : 0x02;
  if (closeTrack) block.Cdb[5] = 0xFF;
  return Run(block, 180'000);
}

bool TSCSIDevice::ReadBufferCapacity() {
  std::array<std::uint8_t, 32> reply{};
  CommandBlock block = NewBlock(10, SrbFlags::In, reply.data(), static_cast<std::uint32_t>(reply.size()));
  block.Cdb[0] = 0x5C;
  block.Cdb[8] = 0x20;
  if (!Run(block, 10'000)) {
    DeviceFreeBufferSize = 0;
    return false;
  }
  const std::uint32_t length = GetBe32(reply, 4);
  const std::uint32_t free = GetBe32(reply, 8);
  DeviceBufferSize = length;
  DeviceFreeBufferSize = free == 0xFFFFFFFF ? length : free;
  return true;
}

bool TSCSIDevice::SendCueSheet(std::span<const std::uint8_t> cueSheet, std::uint32_t length) {
  if (RefuseRange(length, std::min<std::uint32_t>(WordFieldLimit, static_cast<std::uint32_t>(cueSheet.size()))))
    return false;
  CommandBlock block = NewBlock(10, SrbFlags::Out, const_cast<std::uint8_t*>(cueSheet.data()), length);
  block.Cdb[0] = 0x5D;
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(length));
  return Run(block, 30'000);
}

bool TSCSIDevice::SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed) {
  CommandBlock block = NewBlock(12, SrbFlags::None);
  block.Cdb[0] = 0xBB;
  PutBe16(block.Cdb, 2, readSpeed == 0 ? MaximumSpeed : readSpeed);
  PutBe16(block.Cdb, 4, writeSpeed == 0 ? MaximumSpeed : writeSpeed);
  return Run(block, 10'000);
}

}  // namespace velmarond::device
