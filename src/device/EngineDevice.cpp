// The data engine's device record: initialisation, enumeration, selection and execution.

#include "device/EngineDevice.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "device/AspiLibrary.h"
#include "device/BlockPassThrough.h"
#include "device/CompletionEvent.h"
#include "device/SenseTexts.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t InquiryLength = 64;
constexpr std::uint8_t OpticalType = 5;
constexpr std::uint8_t AspiTargets = 8, AspiUnits = 7;
constexpr std::uint8_t DefaultAdapterCount = 7;

std::string TypeNumber(DriveType type) { return std::to_string(static_cast<int>(type)); }

}  // namespace

EngineDevice::EngineDevice(ScsiPlatform& platform) : Platform(platform) {}

EngineDevice::~EngineDevice() { Release(); }

void EngineDevice::Release() {
  CloseHandle();
  Log.Close();
}

void EngineDevice::CloseHandle() {
  if (Handle != InvalidHandle) Platform.Close(Handle);
  Handle = InvalidHandle;
  HandleExclusive = false;
}

bool EngineDevice::Initialize(bool preferAspi, const std::string& aspiPath, const std::string& logPath) {
  CloseHandle();
  Drives.clear();
  Selected = {};
  Ready = PassThroughMode = false;
  PreferAspi = preferAspi;
  LastAscAscq = 0;
  Library.reset();
  if (!logPath.empty()) Log.Open(logPath);
  if (!preferAspi) {
    ScanPassThrough();
    if (!Drives.empty()) Ready = PassThroughMode = true;
  }
  if (!Ready) Ready = ScanAspi(aspiPath);
  return Ready;
}

void EngineDevice::ScanPassThrough() {
  struct Found {
    DriveEntry Entry;
    std::optional<ScsiAddress> Address;
    std::array<std::uint8_t, InquiryLength> Inquiry{};
  };
  std::vector<Found> found;
  for (const DriveRoot& root : Platform.ListDrives()) {
    if (root.Letter < 'C' || root.Letter > 'Z' || found.size() >= MaxDrives) continue;
    if (root.Type != DriveType::Optical) {
      Log.Write(std::string(1, root.Letter) + ": ( " + TypeNumber(root.Type) + ")\r\n");
      continue;
    }
    DriveHandle handle = Platform.Open(root.Letter, OpenMode::ReadWrite);
    if (handle == InvalidHandle) {
      Log.Write("System Error Code: " + std::to_string(Platform.LastSystemError()) + "\r\n");
      continue;
    }
    Found drive;
    drive.Entry.Letter = root.Letter;
    drive.Entry.Type = root.Type;
    drive.Address = Platform.GetScsiAddress(handle);
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, InquiryLength, 0};
    Platform.PassThrough(handle, {cdb, DataDirection::In, drive.Inquiry, PassThroughTimeoutMs});
    Platform.Close(handle);
    found.push_back(std::move(drive));
  }
  // Addresses the 8-bit adapter field can hold first, in discovery order; the others behind them,
  // each on an adapter of its own above every real one.
  std::vector<std::optional<ScsiAddress>> linux;
  for (const auto& drive : found) linux.push_back(drive.Address);
  const auto assigned = AssignAdapters(linux);
  unsigned highest = 0;
  for (const auto& address : assigned) {
    if (address) highest = std::max<unsigned>(highest, address->Adapter);
  }
  std::vector<DriveEntry> withAddress, without;
  unsigned nextSynthetic = highest + 1;
  for (std::size_t i = 0; i < found.size(); ++i) {
    DriveEntry entry = found[i].Entry;
    const auto& reply = found[i].Inquiry;
    if (assigned[i]) {
      entry.Address = *assigned[i];
      entry.Line = EngineDeviceLine(entry.Address, entry.Letter, reply);
      withAddress.push_back(entry);
    } else {
      entry.Address = {static_cast<std::uint8_t>(std::min(nextSynthetic++, HighestAdapterNumber)), 0, 0};
      entry.Line = EngineDeviceLine(entry.Address, entry.Letter, reply);
      without.push_back(entry);
    }
  }
  Drives = withAddress;
  Drives.insert(Drives.end(), without.begin(), without.end());
  for (const DriveEntry& entry : Drives)
    Log.Write(std::string(1, entry.Letter) + ": " + TypeNumber(entry.Type) + " - ( " + entry.Line + ")\r\n");
}

bool EngineDevice::ScanAspi(const std::string& aspiPath) {
  Library = AspiLibrary::Load(aspiPath);
  if (!Library || Library->GetSupportInfo() == 0) {
    Library.reset();
    return false;
  }
  HostAdapterInquiryBlock inquiry{};
  inquiry.Header.Command = SrbCommand::HostAdapterInquiry;
  Library->SendCommand(&inquiry);
  const std::uint8_t adapters = inquiry.AdapterCount == 0 ? DefaultAdapterCount : inquiry.AdapterCount;
  for (std::uint8_t adapter = 0; adapter < adapters; ++adapter) {
    for (std::uint8_t target = 0; target < AspiTargets; ++target) {
      for (std::uint8_t unit = 0; unit < AspiUnits && Drives.size() < MaxDrives; ++unit) {
        std::array<std::uint8_t, InquiryLength> reply{};
        EngineCommandBlock block{};
        block.Header.Command = SrbCommand::ExecuteScsi;
        block.Header.HostAdapter = adapter;
        block.Header.Flags = SrbFlags::In;
        block.Target = target;
        block.Lun = unit;
        block.SenseLength = 24;
        block.CdbLength = 6;
        block.Cdb[0] = 0x12;
        block.Cdb[4] = InquiryLength;
        block.SetBuffer(reply.data(), InquiryLength);
        CompletionEvent event;
        block.CompletionEvent = event.Handle();
        Library->SendCommand(&block);
        if (std::atomic_ref<std::uint8_t>(block.Header.Status).load() == SrbStatus::Pending)
          event.Wait(PassThroughTimeoutMs);
        if (block.Header.Status != SrbStatus::Complete || (reply[0] & 0x1F) != OpticalType) continue;
        DriveEntry entry;
        entry.Type = DriveType::Optical;
        entry.Address = {adapter, target, unit};
        entry.Letter = '?';
        DiskInfoBlock disk{};
        disk.Header.Command = SrbCommand::GetDiskInfo;
        disk.Header.HostAdapter = adapter;
        disk.Target = target;
        disk.Lun = unit;
        Library->SendCommand(&disk);
        if (disk.Header.Status == SrbStatus::Complete) entry.Letter = static_cast<char>('A' + disk.DriveNumber);
        entry.Line = EngineDeviceLine(entry.Address, entry.Letter, reply);
        Drives.push_back(entry);
      }
    }
  }
  return true;
}

std::string EngineDevice::DeviceLine(int index) const {
  return index >= 0 && index < DeviceCount() ? Drives[static_cast<std::size_t>(index)].Line : std::string();
}

bool EngineDevice::SelectDevice(int index) {
  Selected = {};
  Statistics.ClearTotals();
  if (index < 0 || index >= DeviceCount()) return false;
  const DriveEntry& entry = Drives[static_cast<std::size_t>(index)];
  Selected.Address = entry.Address;
  Selected.Letter = entry.Letter;
  Selected.Type = entry.Type;
  CloseHandle();
  std::array<std::uint8_t, 64> reply{};
  const bool identified = Inquiry(reply);
  if (identified) {
    Vendor.assign(reinterpret_cast<const char*>(&reply[8]), 8);
    Product.assign(reinterpret_cast<const char*>(&reply[16]), 16);
  }
  RefreshCapabilities();
  return identified;
}

bool EngineDevice::SelectDeviceByLetter(char letter) {
  for (int i = 0; i < DeviceCount(); ++i) {
    if (Drives[static_cast<std::size_t>(i)].Letter == letter) return SelectDevice(i);
  }
  return false;
}

bool EngineDevice::OpenExclusive() {
  if (!PassThroughMode || Selected.Address.Adapter == NoSelection) return false;
  CloseHandle();
  Handle = Platform.Open(Selected.Letter, OpenMode::ExclusiveReadWrite);
  LastSystemError = Handle == InvalidHandle ? Platform.LastSystemError() : 0;
  HandleExclusive = Handle != InvalidHandle;
  if (HandleExclusive) CloseAfterEachCommand = false;
  return HandleExclusive;
}

std::uint8_t EngineDevice::Execute(EngineCommandBlock& block) {
  if (!Ready || Selected.Address.Adapter == NoSelection || Selected.Address.Target == NoSelection) {
    block.Header.Status = SrbStatus::Error;
    return block.Header.Status;
  }
  block.Header.Command = SrbCommand::ExecuteScsi;
  block.Header.HostAdapter = Selected.Address.Adapter;
  block.Target = Selected.Address.Target;
  block.Lun = Selected.Address.Lun;
  block.SenseLength = 24;
  if (Write10Quirk && block.Opcode() == 0x2A) block.Cdb[2] = block.Cdb[3] = 0;

  LastResidual = 0;
  if (PassThroughMode) {
    if (Handle == InvalidHandle) Handle = Platform.Open(Selected.Letter, OpenMode::ReadWrite);
    if (Handle == InvalidHandle) {
      LastSystemError = Platform.LastSystemError();
      block.Header.Status = SrbStatus::Error;
      block.HostStatus = HostAdapterStatus::SelectionTimeout;
    } else {
      PassThroughResult result = RunBlockThroughPlatform(Platform, Handle, block, PassThroughTimeoutMs, SenseBufferSize);
      LastSystemError = result.SystemError;
      LastResidual = result.Residual;
      if (CloseAfterEachCommand && !HandleExclusive) CloseHandle();
    }
  } else if (Library) {
    CompletionEvent event;
    block.CompletionEvent = event.Handle();
    Library->SendCommand(&block);
    if (std::atomic_ref<std::uint8_t>(block.Header.Status).load() == SrbStatus::Pending &&
        !event.Wait(PassThroughTimeoutMs)) {
      AbortBlock abort{};
      abort.Header.Command = SrbCommand::AbortScsi;
      abort.Header.HostAdapter = block.Header.HostAdapter;
      abort.PendingBlock = reinterpret_cast<std::uintptr_t>(&block);
      Library->SendCommand(&abort);
      block.Header.Status = SrbStatus::Error;
      block.HostStatus = HostAdapterStatus::CommandTimeout;
    }
  } else {
    block.Header.Status = SrbStatus::Error;
  }
  if (Log.IsOpen()) Log.LogCommand(block, PassThroughMode, LastSystemError);
  const std::uint8_t status = block.Header.Status;
  TargetBusy = status != SrbStatus::Pending && status != SrbStatus::Complete && block.TargetStatus == TargetStatus::Busy;
  std::copy(std::begin(block.Sense), std::end(block.Sense), LastSense.begin());
  const DecodedSense sense = DecodeSense(block.Sense);
  if (sense.Asc != 0) LastAscAscq = static_cast<std::uint16_t>(sense.Asc * 256 + sense.Ascq);
  return status;
}

}  // namespace velmarond::device
