// The MMC commands of the data engine's device record, and the parameter lists it sends.

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "device/Bytes.h"
#include "device/EngineDevice.h"

namespace velmarond::device {

namespace {

constexpr std::uint16_t MaximumSpeed = 0xFFFF;
constexpr std::size_t SectorSize = 2048;

EngineCommandBlock NewBlock(std::uint8_t cdbLength, std::uint8_t flags, const void* data = nullptr,
                            std::uint32_t length = 0) {
  EngineCommandBlock block{};
  block.Header.Flags = flags;
  block.CdbLength = cdbLength;
  block.SetBuffer(const_cast<void*>(data), length);
  return block;
}

std::uint32_t Length(std::span<const std::uint8_t> data) { return static_cast<std::uint32_t>(data.size()); }

}  // namespace

std::array<std::uint8_t, 12> FormatParameterList(FormatList list) {
  switch (list) {
    case FormatList::A: return {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
    case FormatList::C: return {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
    case FormatList::D: return {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x02, 0x80, 0xC0, 0x00, 0x10, 0x00};
    case FormatList::E: return {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00, 0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
    case FormatList::F: return {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x54, 0x00, 0x00, 0x10};
    case FormatList::G: return {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
  }
  return {};
}

std::array<std::uint8_t, 28> StreamingDescriptor(std::uint32_t endLba, std::uint32_t readSizeKb,
                                                 std::uint32_t readTimeMs, std::uint32_t writeSizeKb,
                                                 std::uint32_t writeTimeMs) {
  std::array<std::uint8_t, 28> descriptor{};
  PutBe32(descriptor, 8, endLba);
  PutBe32(descriptor, 12, readSizeKb);
  PutBe32(descriptor, 16, readTimeMs);
  PutBe32(descriptor, 20, writeSizeKb);
  PutBe32(descriptor, 24, writeTimeMs);
  return descriptor;
}

std::array<std::uint8_t, 22> TimeStampStructure(int year, int month, int day, int hour, int minute, int second) {
  std::array<std::uint8_t, 22> structure{};
  PutBe16(structure, 0, 20);
  char digits[32];
  std::snprintf(digits, sizeof(digits), "%04d%02d%02d%02d%02d%02d", year % 10000, month % 100, day % 100, hour % 100,
                minute % 100, second % 100);
  std::copy_n(digits, 14, structure.begin() + 8);
  return structure;
}

bool EngineDevice::Run(EngineCommandBlock& block, bool acceptPending) {
  const std::uint8_t status = Execute(block);
  return status == SrbStatus::Complete || (acceptPending && status == SrbStatus::Pending);
}

bool EngineDevice::TestUnitReady() {
  EngineCommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x00;
  return Run(block);
}

bool EngineDevice::RezeroUnit() {
  EngineCommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x01;
  return Run(block);
}

bool EngineDevice::FormatUnit(std::uint8_t formatByte, std::span<const std::uint8_t> parameters) {
  EngineCommandBlock block = NewBlock(6, SrbFlags::Out, parameters.data(), Length(parameters));
  block.Cdb[0] = 0x04;
  block.Cdb[1] = formatByte;
  return Run(block, true);
}

bool EngineDevice::Inquiry(std::span<std::uint8_t, 64> reply) {
  EngineCommandBlock block = NewBlock(6, SrbFlags::In, reply.data(), 64);
  block.Cdb[0] = 0x12;
  block.Cdb[4] = 0x40;
  return Run(block);
}

bool EngineDevice::LoadEject(bool eject, bool immediate) {
  EngineCommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x1B;
  block.Cdb[1] = immediate ? 0x01 : 0x00;
  block.Cdb[4] = eject ? 0x02 : 0x03;
  return Run(block);
}

bool EngineDevice::AllowMediumRemoval() {
  EngineCommandBlock block = NewBlock(6, SrbFlags::None);
  block.Cdb[0] = 0x1E;
  return Run(block);
}

bool EngineDevice::ReadFormatCapacities(std::span<std::uint8_t, 124> reply) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, reply.data(), 124);
  block.Cdb[0] = 0x23;
  block.Cdb[8] = 0x7C;
  return Run(block);
}

bool EngineDevice::Read10(std::uint32_t lba, std::uint16_t blocks, std::span<std::uint8_t> buffer) {
  const std::uint32_t length = static_cast<std::uint32_t>(blocks * SectorSize);
  if (buffer.size() < length) return false;  // never let the drive write past the buffer
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x28;
  PutBe32(block.Cdb, 2, lba);
  PutBe16(block.Cdb, 7, blocks);
  const auto start = std::chrono::steady_clock::now();
  const bool done = Run(block);
  if (done) Statistics.Record(TransferDirection::Read, length - std::min(length, LastResidual), std::chrono::steady_clock::now() - start);
  return done;
}

bool EngineDevice::Write10(std::uint32_t lba, std::uint16_t blocks, std::span<const std::uint8_t> data) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::Out, data.data(), Length(data));
  block.Cdb[0] = 0x2A;
  PutBe32(block.Cdb, 2, lba);
  PutBe16(block.Cdb, 7, blocks);
  const auto start = std::chrono::steady_clock::now();
  const bool done = Run(block);
  if (done) Statistics.Record(TransferDirection::Write, data.size(), std::chrono::steady_clock::now() - start);
  return done;
}

bool EngineDevice::SynchronizeCache(bool immediate) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x35;
  block.Cdb[1] = immediate ? 0x02 : 0x00;
  return Run(block, true);
}

bool EngineDevice::ReadTOC(std::uint8_t format, bool msf, std::uint8_t trackOrSession, std::uint32_t length,
                           std::span<std::uint8_t> buffer) {
  if (length > 255 || length > buffer.size()) return false;
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x43;
  block.Cdb[1] = msf ? 0x02 : 0x00;
  block.Cdb[2] = format;
  block.Cdb[6] = trackOrSession;
  block.Cdb[8] = static_cast<std::uint8_t>(length);
  return Run(block);
}

bool EngineDevice::GetConfiguration(std::uint16_t startingFeature, std::uint32_t length, std::span<std::uint8_t> buffer) {
  if (length > 0xFFFF || length > buffer.size()) return false;
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), length);
  block.Cdb[0] = 0x46;
  block.Cdb[1] = 0x02;
  PutBe16(block.Cdb, 2, startingFeature);
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(length));
  return Run(block);
}

bool EngineDevice::ReadDiscInformation(std::span<std::uint8_t> buffer) {
  if (buffer.size() > 0xFFFF) return false;
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), Length(buffer));
  block.Cdb[0] = 0x51;
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(buffer.size()));
  return Run(block);
}

bool EngineDevice::ReadTrackInformation(std::uint8_t track, std::span<std::uint8_t, 38> reply) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, reply.data(), 38);
  block.Cdb[0] = 0x52;
  block.Cdb[1] = 0x01;
  block.Cdb[5] = track;
  block.Cdb[8] = 0x26;
  return Run(block);
}

bool EngineDevice::ReserveTrack(std::uint32_t blocks) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x53;
  PutBe32(block.Cdb, 5, blocks);
  return Run(block);
}

bool EngineDevice::ModeSelect(std::span<const std::uint8_t> parameters) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::Out, parameters.data(), Length(parameters));
  block.Cdb[0] = 0x55;
  block.Cdb[1] = 0x10;
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(parameters.size()));
  return Run(block, true);
}

bool EngineDevice::ModeSense(std::uint8_t page, bool defaultValues, std::span<std::uint8_t> buffer) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, buffer.data(), Length(buffer));
  block.Cdb[0] = 0x5A;
  block.Cdb[2] = static_cast<std::uint8_t>(page | (defaultValues ? 0x80 : 0x00));
  PutBe16(block.Cdb, 7, static_cast<std::uint16_t>(buffer.size()));
  return Run(block, true);
}

bool EngineDevice::CloseTrackSession(bool immediate, std::uint8_t closeFunction, std::uint8_t argument,
                                     std::uint16_t track) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x5B;
  block.Cdb[1] = immediate ? 0x01 : 0x00;
  block.Cdb[2] = closeFunction;
  block.Cdb[3] = argument;
  PutBe16(block.Cdb, 4, track);
  return Run(block, true);
}

bool EngineDevice::CloseTrackSessionShort(bool closeTrack, bool immediate, std::uint8_t track) {
  EngineCommandBlock block = NewBlock(10, SrbFlags::None);
  block.Cdb[0] = 0x5B;
  block.Cdb[1] = immediate ? 0x01 : 0x00;
  block.Cdb[2] = closeTrack ? 0x01 : 0x02;
  block.Cdb[5] = track;
  return Run(block);
}

bool EngineDevice::ReadBufferCapacity() {
  std::array<std::uint8_t, 32> reply{};
  EngineCommandBlock block = NewBlock(10, SrbFlags::In, reply.data(), 32);
  block.Cdb[0] = 0x5C;
  block.Cdb[8] = 0x20;
  if (!Run(block)) return false;
  BufferLength = GetBe32(reply, 4);
  BufferFree = GetBe32(reply, 8);
  return true;
}

bool EngineDevice::Blank(bool minimal) {
  EngineCommandBlock block = NewBlock(12, SrbFlags::None);
  block.Cdb[0] = 0xA1;
  block.Cdb[1] = minimal ? 0x11 : 0x10;
  return Run(block, true);
}

bool EngineDevice::SetStreaming(std::span<const std::uint8_t> descriptor) {
  EngineCommandBlock block = NewBlock(12, SrbFlags::Out, descriptor.data(), Length(descriptor));
  block.Cdb[0] = 0xB6;
  PutBe16(block.Cdb, 9, static_cast<std::uint16_t>(descriptor.size()));
  return Run(block);
}

bool EngineDevice::SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed) {
  EngineCommandBlock block = NewBlock(12, SrbFlags::None);
  block.Cdb[0] = 0xBB;
  block.Cdb[1] = 0x01;
  PutBe16(block.Cdb, 2, readSpeed == 0 ? MaximumSpeed : readSpeed);
  PutBe16(block.Cdb, 4, writeSpeed == 0 ? MaximumSpeed : writeSpeed);
  return Run(block);
}

bool EngineDevice::SendDvdStructure(std::uint8_t format, std::span<const std::uint8_t> data) {
  EngineCommandBlock block = NewBlock(12, SrbFlags::Out, data.data(), Length(data));
  block.Cdb[0] = 0xBF;
  block.Cdb[7] = format;
  PutBe16(block.Cdb, 8, static_cast<std::uint16_t>(data.size()));
  return Run(block);
}

std::uint8_t EngineDevice::ExecuteRaw(std::span<const std::uint8_t> cdb, DataDirection direction,
                                      std::span<std::uint8_t> data, EngineCommandBlock& block) {
  const std::uint8_t flags = direction == DataDirection::In ? SrbFlags::In
                             : direction == DataDirection::Out ? SrbFlags::Out
                                                               : SrbFlags::None;
  block = NewBlock(static_cast<std::uint8_t>(std::min<std::size_t>(cdb.size(), 16)), flags, data.data(), Length(data));
  std::copy_n(cdb.begin(), std::min<std::size_t>(cdb.size(), 16), block.Cdb);
  return Execute(block);
}

}  // namespace velmarond::device
