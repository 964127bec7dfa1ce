#include "device/Ktaspi32.h"

#include <algorithm>
#include <cstring>

#include "device/BlockPassThrough.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t InquiryOpcode = 0x12;
constexpr std::size_t ScanInquiryLength = 96;
constexpr std::size_t CachedInquiryReply = 36;
constexpr std::uint8_t OpticalDeviceType = 5;
constexpr std::uint8_t NoDeviceType = 0x1F;
constexpr char ManagerIdentifier[] = "VELMAROND KTASPI";  // 16 characters, no terminator kept
constexpr std::uint8_t HighestAspiTargetOrUnit = 7;

void CopyText(char (&field)[16], const std::string& text) {
  std::memset(field, ' ', sizeof(field));
  std::memcpy(field, text.data(), std::min(text.size(), sizeof(field)));
}

}  // namespace

Ktaspi32::Ktaspi32(ScsiPlatform& platform) : Platform(platform) {}

Ktaspi32::~Ktaspi32() { Clear(); }

std::uint32_t Ktaspi32::GetSupportInfo() {
  std::lock_guard guard(Lock);
  return (std::uint32_t{SrbStatus::Complete} << 8) | AdapterCountValue;
}

int Ktaspi32::Scan() {
  std::lock_guard guard(Lock);
  if (Scanned) return 0;
  Scanned = true;

  struct Found {
    Entry Drive;
    std::optional<ScsiAddress> Address;
  };
  std::vector<Found> found;
  for (const DriveRoot& root : Platform.ListDrives()) {
    if (root.Type != DriveType::Optical || root.Letter < 'C' || root.Letter > 'Z') continue;
    DriveHandle handle = Platform.Open(root.Letter, OpenMode::ReadWrite);
    if (handle == InvalidHandle) continue;
    std::array<std::uint8_t, ScanInquiryLength> reply{};
    const std::uint8_t cdb[6] = {InquiryOpcode, 0, 0, 0, static_cast<std::uint8_t>(ScanInquiryLength), 0};
    PassThroughRequest request{cdb, DataDirection::In, reply, BuiltInTimeoutMs};
    PassThroughResult result = Platform.PassThrough(handle, request);
    if (result.CallSucceeded) {
      Found drive;
      drive.Drive.Letter = root.Letter;
      drive.Drive.Present = true;
      std::copy_n(reply.begin(), drive.Drive.Inquiry.size(), drive.Drive.Inquiry.begin());
      drive.Address = Platform.GetScsiAddress(handle);
      // The scans of the component only visit targets and units 0..7.
      if (drive.Address && (drive.Address->Target > HighestAspiTargetOrUnit || drive.Address->Lun > HighestAspiTargetOrUnit))
        drive.Address.reset();
      found.push_back(std::move(drive));
    }
    Platform.Close(handle);
  }

  std::vector<std::optional<ScsiAddress>> linuxAddresses;
  for (const auto& drive : found) linuxAddresses.push_back(drive.Address);
  const auto adapters = AssignAdapters(linuxAddresses);

  Table.clear();
  std::uint8_t synthesisedTarget = 0;
  bool anyWithoutAddress = false;
  for (std::size_t i = 0; i < found.size(); ++i) {
    Entry entry = found[i].Drive;
    if (adapters[i]) {
      entry.Address = *adapters[i];
    } else {
      entry.Address = {0, synthesisedTarget++, NoAddressUnitMarker};
      anyWithoutAddress = true;
    }
    Table.push_back(entry);
  }
  RecountAdapters();
  if (anyWithoutAddress) {
    for (Entry& entry : Table) {
      if (entry.Address.Lun == NoAddressUnitMarker) entry.Address = {AdapterCountValue, entry.Address.Target, 0};
    }
    RecountAdapters();
  }
  return static_cast<int>(Table.size());
}

void Ktaspi32::RecountAdapters() {
  unsigned highest = 0;
  bool any = false;
  for (const Entry& entry : Table) {
    highest = std::max<unsigned>(highest, entry.Address.Adapter);
    any = true;
  }
  AdapterCountValue = any ? static_cast<std::uint8_t>(std::min(highest + 1, 255u)) : 0;
}

void Ktaspi32::Clear() {
  std::lock_guard guard(Lock);
  for (Entry& entry : Table) {
    if (entry.Handle != InvalidHandle) Platform.Close(entry.Handle);
  }
  Table.clear();
  Scanned = false;
  AdapterCountValue = 0;
}

void Ktaspi32::SetCloseAfterEachCommand(bool close) {
  std::lock_guard guard(Lock);
  CloseAfterEachCommand = close;
  if (!close) return;
  for (Entry& entry : Table) {
    if (entry.Handle != InvalidHandle) Platform.Close(entry.Handle);
    entry.Handle = InvalidHandle;
  }
}

std::optional<char> Ktaspi32::LetterOf(const DriveAddress& address) const {
  for (const Entry& entry : Table) {
    if (entry.Address == address) return entry.Letter;
  }
  return std::nullopt;
}

Ktaspi32::Entry* Ktaspi32::Find(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) {
  for (Entry& entry : Table) {
    if (entry.Address == DriveAddress{adapter, target, lun}) return &entry;
  }
  return nullptr;
}

std::uint32_t Ktaspi32::SendCommand(void* block) { return SendCommand(block, BuiltInTimeoutMs); }

std::uint32_t Ktaspi32::SendCommand(void* block, std::uint32_t timeoutMs) {
  auto* header = static_cast<SrbHeader*>(block);
  std::lock_guard guard(Lock);
  switch (header->Command) {
    case SrbCommand::HostAdapterInquiry:
      return header->Status = HostAdapterInquiry(*static_cast<HostAdapterInquiryBlock*>(block));
    case SrbCommand::GetDeviceType:
      return header->Status = GetDeviceType(*static_cast<DeviceTypeBlock*>(block));
    case SrbCommand::ExecuteScsi:
      return header->Status = Execute(*static_cast<CommandBlock*>(block), timeoutMs);
    case SrbCommand::GetDiskInfo:
      header->Status = SrbStatus::Pending;
      return SrbStatus::Error;
    default:
      return header->Status = SrbStatus::Error;
  }
}

std::uint8_t Ktaspi32::HostAdapterInquiry(HostAdapterInquiryBlock& block) const {
  if (block.Header.HostAdapter >= AdapterCountValue) return SrbStatus::InvalidHostAdapter;
  block.AdapterCount = AdapterCountValue;
  block.HostScsiId = 7;
  std::memcpy(block.ManagerId, ManagerIdentifier, sizeof(block.ManagerId));
  CopyText(block.AdapterId, "SPTI " + std::to_string(block.Header.HostAdapter));
  block.AlignmentMask = 7;
  block.MaxTargets = 8;
  block.MaxTransfer = 0x00FF0000;
  return SrbStatus::Complete;
}

std::uint8_t Ktaspi32::GetDeviceType(DeviceTypeBlock& block) const {
  for (const Entry& entry : Table) {
    if (entry.Address == DriveAddress{block.Header.HostAdapter, block.Target, block.Lun}) {
      block.DeviceType = OpticalDeviceType;
      return SrbStatus::Complete;
    }
  }
  block.DeviceType = NoDeviceType;
  return SrbStatus::NoDevice;
}

std::uint8_t Ktaspi32::Execute(CommandBlock& block, std::uint32_t timeoutMs) {
  Entry* entry = Find(block.Header.HostAdapter, block.Target, block.Lun);
  if (entry == nullptr) return SrbStatus::NoDevice;
  if (block.Opcode() == InquiryOpcode) {
    // Answered from the reply cached at scan time; the drive is never asked again.
    if (block.Header.HostAdapter >= AdapterCountValue) return SrbStatus::InvalidHostAdapter;
    if (block.Buffer() != nullptr)
      std::memcpy(block.Buffer(), entry->Inquiry.data(), std::min<std::size_t>(CachedInquiryReply, block.DataLength));
    return SrbStatus::Complete;
  }
  // A handle that stays open across commands belongs to a write: hold the drive exclusively so
  // that automounters and disc pollers cannot step in.
  if (entry->Handle == InvalidHandle)
    entry->Handle = Platform.Open(entry->Letter, CloseAfterEachCommand ? OpenMode::ReadWrite : OpenMode::ExclusiveReadWrite);
  if (entry->Handle == InvalidHandle) {
    block.HostStatus = HostAdapterStatus::SelectionTimeout;
    return SrbStatus::Error;
  }
  RunBlockThroughPlatform(Platform, entry->Handle, block, timeoutMs, block.SenseLength);
  if (CloseAfterEachCommand) {
    Platform.Close(entry->Handle);
    entry->Handle = InvalidHandle;
  }
  return block.Header.Status;
}

}  // namespace velmarond::device
