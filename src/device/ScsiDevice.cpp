// TSCSIDevice: transport choice, enumeration, selection and command execution.

#include "device/ScsiDevice.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "device/AspiLibrary.h"
#include "device/CompletionEvent.h"
#include "device/FailureReport.h"
#include "device/Ktaspi32.h"
#include "device/SenseTexts.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t OpticalType = 5;
constexpr std::uint8_t WriteOnceType = 4;
constexpr std::uint8_t DefaultAdapterCount = 7;
constexpr std::uint8_t HighestTargetOrUnit = 7;

std::uint8_t AtomicStatus(CommandBlock& block) {
  return std::atomic_ref<std::uint8_t>(block.Header.Status).load();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : text.substr(start);
}

}  // namespace

TSCSIDevice::TSCSIDevice(ScsiPlatform& platform)
    : Sleep([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }), Platform(platform) {}

TSCSIDevice::~TSCSIDevice() = default;

void TSCSIDevice::Debug(const std::string& message, std::uint8_t mType) {
  if (OnDebugMessage) OnDebugMessage(*this, message, mType);
}

std::string TSCSIDevice::TransportName() const { return Transport ? Transport->Name() : std::string(); }

bool TSCSIDevice::ChooseTransport(bool preferBuiltIn, const std::string& aspiPath) {
  if (!BuiltIn) BuiltIn = std::make_unique<Ktaspi32>(Platform);
  if (preferBuiltIn && BuiltIn->Scan() > 0) {
    Transport = BuiltIn.get();
  } else if ((Library = AspiLibrary::Load(aspiPath))) {
    Transport = Library.get();
  } else if (BuiltIn->Scan() > 0) {
    Transport = BuiltIn.get();
  }
  if (Transport == nullptr) return false;
  Transport->GetSupportInfo();
  return true;
}

bool TSCSIDevice::InitASPI(bool preferBuiltIn, const std::string& aspiPath) {
  PreferBuiltIn = preferBuiltIn;
  Transport = nullptr;
  if (!ChooseTransport(preferBuiltIn, aspiPath)) return false;
  HostAdapterInquiry(0);
  ScanDevices();
  return true;
}

bool TSCSIDevice::ReinitASPI() {
  Transport = nullptr;
  Library.reset();
  if (BuiltIn) BuiltIn->Clear();
  if (!ChooseTransport(PreferBuiltIn, {})) return false;
  HostAdapterInquiry(0);
  return true;
}

void TSCSIDevice::SetCloseAfterEachCommand(bool close) {
  if (BuiltIn) BuiltIn->SetCloseAfterEachCommand(close);
}

bool TSCSIDevice::CloseAfterEachCommand() const { return !BuiltIn || BuiltIn->CloseAfterEachCommandSet(); }

std::uint8_t TSCSIDevice::HostAdapterInquiry(std::uint8_t adapter) {
  if (Transport == nullptr) return SrbStatus::NoTransportOrDrive;
  HostAdapterInquiryBlock block{};
  block.Header.Command = SrbCommand::HostAdapterInquiry;
  block.Header.HostAdapter = adapter;
  Transport->SendCommand(&block);
  if (block.Header.Status == SrbStatus::Complete && adapter == 0)
    AdapterCount = block.AdapterCount == 0 ? DefaultAdapterCount : block.AdapterCount;
  if (block.Header.Status == SrbStatus::Complete && DoDebug) {
    Debug(">>> " + std::string(block.ManagerId, sizeof(block.ManagerId)) + " (" +
              Trimmed(std::string(block.AdapterId, sizeof(block.AdapterId))) + ")",
          1);
  }
  return block.Header.Status;
}

void TSCSIDevice::ScanDevices() {
  DeviceList.clear();
  const DriveAddress remembered = Address;
  if (DoDebug) Debug(">>> " + TransportName(), 1);
  if (Transport != nullptr && HostAdapterInquiry(0) == SrbStatus::Complete) {
    const std::uint8_t count = AdapterCount;
    for (std::uint8_t adapter = 0; adapter < count; ++adapter) {
      HostAdapterInquiry(adapter);
      for (std::uint8_t target = 0; target <= HighestTargetOrUnit; ++target) {
        for (std::uint8_t unit = 0; unit <= HighestTargetOrUnit; ++unit) {
          Address = {adapter, target, unit};
          InquiryBuffer.fill(0);
          if (!Inquiry()) continue;
          const std::uint8_t type = InquiryBuffer[0] & 0x1F;
          if (type == OpticalType || type == WriteOnceType)
            DeviceList.push_back(ComponentDeviceLine(Address, FindDriveLetter(), InquiryBuffer));
        }
      }
    }
  }
  Address = remembered;
  LastErrorText.clear();
}

char TSCSIDevice::FindDriveLetter() {
  if (Transport != nullptr && Transport == BuiltIn.get()) return BuiltIn->LetterOf(Address).value_or(0);
  for (const DriveRoot& root : Platform.ListDrives()) {
    if (root.Letter < 'B' || root.Letter > 'Z') continue;
    DriveHandle handle = Platform.Open(root.Letter, OpenMode::ReadOnly);
    if (handle == InvalidHandle) continue;
    auto address = Platform.GetScsiAddress(handle);
    Platform.Close(handle);
    if (address && address->Host == Address.Adapter && address->Target == Address.Target) return root.Letter;
  }
  if (Transport == nullptr) return 0;
  DiskInfoBlock block{};
  block.Header.Command = SrbCommand::GetDiskInfo;
  block.Header.HostAdapter = Address.Adapter;
  block.Target = Address.Target;
  block.Lun = Address.Lun;
  Transport->SendCommand(&block);
  return block.Header.Status == SrbStatus::Complete ? static_cast<char>('A' + block.DriveNumber) : 0;
}

void TSCSIDevice::SetDeviceID(const std::string& deviceLine) {
  auto clearSelection = [this](bool report) {
    if (report) Debug(InvalidDeviceIdText, 0);
    Address = NoDrive;
    DeviceID.clear();
    DeviceName.clear();
    DeviceType = NoDeviceType;
  };
  if (deviceLine.size() <= 4) {
    clearSelection(!deviceLine.empty());
    return;
  }
  auto parsed = ParseDeviceLineAddress(deviceLine);
  if (!parsed) {
    clearSelection(true);
    return;
  }
  Address = *parsed;
  DeviceID = deviceLine;
  ReadCapabilities();
  const bool identified = Inquiry();
  DeviceType = InquiryBuffer[0] & 0x1F;
  DeviceName = identified ? std::string(reinterpret_cast<const char*>(&InquiryBuffer[8]), 8) + " " +
                                std::string(reinterpret_cast<const char*>(&InquiryBuffer[16]), 16) + " " +
                                std::string(reinterpret_cast<const char*>(&InquiryBuffer[32]), 4)
                          : LastErrorText;
  if (!identified || (DeviceType != OpticalType && DeviceType != WriteOnceType)) {
    clearSelection(true);
    return;
  }
  ApplyQuirks();
  if (OnDeviceChange) OnDeviceChange(*this);
  ProbeWriteModes();
}

void TSCSIDevice::ApplyQuirks() {
  const std::string field(reinterpret_cast<const char*>(&InquiryBuffer[16]), 16);
  const std::string product = Trimmed(field);
  std::string vendor = Trimmed(std::string(reinterpret_cast<const char*>(&InquiryBuffer[8]), 8));
  if (vendor.size() < 3) vendor = "     ";
  UnderrunQuirk = product == "CD-W512EB";
  LsvQuirk = product == "CRX175E" || product == "CD-RW  CRX800E";
  LongReadyWait = product.rfind("UJDA", 0) == 0 || vendor.rfind("TDK", 0) == 0;
  CloseImmediate = product != "CDRW321040X";
  if (field == "DVD-RW  DVR-103 " || field == "DVD-RW  DVR-104 ") {
    LongReadyWait = true;
    CloseImmediate = true;
  }
}

std::uint8_t TSCSIDevice::AbortCommand(CommandBlock& pending) {
  if (Transport == nullptr) return SrbStatus::NoTransportOrDrive;
  AbortBlock block{};
  block.Header.Command = SrbCommand::AbortScsi;
  block.Header.HostAdapter = pending.Header.HostAdapter;
  block.PendingBlock = reinterpret_cast<std::uintptr_t>(&pending);
  Transport->SendCommand(&block);
  return block.Header.Status;
}

std::uint8_t TSCSIDevice::ExecuteCommand(CommandBlock& block, std::uint32_t timeoutMs) {
  LastErrorText.clear();
  TargetBusy = false;
  LastSense.fill(0);
  if (Transport == nullptr || Address.Adapter == NoDrive.Adapter) {
    block.Header.Status = SrbStatus::NoTransportOrDrive;
    return block.Header.Status;
  }
  std::unique_ptr<CompletionEvent> event;
  if (block.Header.Flags & SrbFlags::EventNotify) {
    event = std::make_unique<CompletionEvent>();
    event->Reset();
  }
  block.CompletionEvent = event ? event->Handle() : 0;
  block.Header.Command = SrbCommand::ExecuteScsi;
  block.Header.HostAdapter = Address.Adapter;
  block.Target = Address.Target;
  block.Lun = Address.Lun;
  block.SenseLength = 24;
  block.Cdb[1] = static_cast<std::uint8_t>((block.Cdb[1] & 0x1F) | (Address.Lun << 5));
  timeoutMs = std::max(timeoutMs, MinimumTimeoutMs);

  Transport->SendCommand(&block, timeoutMs);
  if (event && AtomicStatus(block) == SrbStatus::Pending) event->Wait(timeoutMs);
  if (AtomicStatus(block) == SrbStatus::Pending) {
    // The drive never answered: take the block back so that nothing waits for it any longer.
    AbortCommand(block);
    block.Header.Status = SrbStatus::Error;
    block.HostStatus = HostAdapterStatus::CommandTimeout;
  }
  const std::uint8_t status = block.Header.Status;
  if (status != SrbStatus::Pending && status != SrbStatus::Complete) DecodeFailure(block);
  if (IsReportedFailure(block)) Debug(BuildFailureReport(block, LastErrorText), 0);
  if (reinterpret_cast<std::uintptr_t>(block.Buffer()) % 4 != 0)
    Debug(">>>++++ " + std::to_string(block.DataAddressLow), 0);
  return status;
}

void TSCSIDevice::DecodeFailure(const CommandBlock& block) {
  FailureText failure = BuildLastErrorText(block.Header.Status, block.HostStatus, block.TargetStatus, block.Sense);
  LastErrorText = failure.Text;
  TargetBusy = failure.TargetBusy;
  std::copy(std::begin(block.Sense), std::end(block.Sense), LastSense.begin());
}

std::uint8_t TSCSIDevice::LastAsc() const { return DecodeSense(LastSense).Asc; }

}  // namespace velmarond::device
