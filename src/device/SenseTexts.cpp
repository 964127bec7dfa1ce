#include "device/SenseTexts.h"

#include "device/CommandBlock.h"

namespace velmarond::device {

namespace {

constexpr std::uint8_t ValidBit = 0x80;

SenseFormat FormatOf(std::uint8_t responseCode) {
  switch (responseCode) {
    case 0x00: return SenseFormat::None;
    case 0x70:
    case 0x71: return SenseFormat::Fixed;
    case 0x72:
    case 0x73: return SenseFormat::Descriptor;
    default: return SenseFormat::Other;
  }
}

std::uint8_t ByteAt(std::span<const std::uint8_t> sense, std::size_t index) {
  return index < sense.size() ? sense[index] : 0;
}

std::string_view HostStatusText(std::uint8_t hostStatus) {
  switch (hostStatus) {
    case HostAdapterStatus::CommandTimeout: return "COMMAND TIMEOUT";
    case HostAdapterStatus::SrbTimeout: return "SRB TIMEOUT";
    case HostAdapterStatus::MessageReject: return "MESSAGE REJECT";
    case HostAdapterStatus::BusReset: return "BUS RESET";
    case HostAdapterStatus::ParityError: return "PARITY ERROR";
    case HostAdapterStatus::RequestSenseFailed: return "REQUEST SENSE FAILED";
    case HostAdapterStatus::SelectionTimeout: return "SELECTION TIMEOUT";
    case HostAdapterStatus::DataOverrun: return "DATA OVERRUN";
    case HostAdapterStatus::UnexpectedBusFree: return "UNEXPECTED BUS FREE";
    default: return "UNKNOWN";
  }
}

std::string_view TargetStatusText(std::uint8_t targetStatus) {
  switch (targetStatus) {
    case TargetStatus::Good:
    case TargetStatus::CheckCondition: return "CHECK CONDITION";
    case TargetStatus::Busy: return "TARGET BUSY";
    case TargetStatus::ReservationConflict: return "TARGET RESERVATION CONFLICT";
    case TargetStatus::QueueFull: return "TARGET QUEUE FULL";
    default: return "UNKNOWN";
  }
}

constexpr std::string_view CheckCondition = "CHECK CONDITION";

}  // namespace

DecodedSense DecodeSense(std::span<const std::uint8_t> sense) {
  DecodedSense decoded;
  decoded.ResponseCode = static_cast<std::uint8_t>(ByteAt(sense, 0) & ~ValidBit);
  decoded.Format = FormatOf(decoded.ResponseCode);
  decoded.AdditionalLength = ByteAt(sense, 7);
  if (decoded.Format == SenseFormat::Descriptor) {
    decoded.Key = ByteAt(sense, 1) & 0x0F;
    decoded.Asc = ByteAt(sense, 2);
    decoded.Ascq = ByteAt(sense, 3);
    return decoded;
  }
  const std::uint8_t flags = ByteAt(sense, 2);
  decoded.Key = flags & 0x0F;
  decoded.Filemark = (flags & 0x80) != 0;
  decoded.EndOfMedium = (flags & 0x40) != 0;
  decoded.IllegalLength = (flags & 0x20) != 0;
  decoded.Asc = ByteAt(sense, 12);
  decoded.Ascq = ByteAt(sense, 13);
  return decoded;
}

std::string_view StatusText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus) {
  switch (status) {
    case SrbStatus::Pending:
    case SrbStatus::Complete: return {};
    case SrbStatus::Aborted:
    case SrbStatus::AbortFailed: return "OPERATION ABORTED BY USER";
    case SrbStatus::Error:
      return hostStatus == HostAdapterStatus::Ok ? TargetStatusText(targetStatus) : HostStatusText(hostStatus);
    case SrbStatus::InvalidRequest: return "INVALID REQUEST";
    case SrbStatus::InvalidHostAdapter: return "INVALID HOST ADAPTER";
    case SrbStatus::NoDevice: return "NO DEVICE";
    case SrbStatus::InvalidSrb: return "INVALID SRB";
    case SrbStatus::BufferAlignment: return "BUFFER ALIGNMENT";
    case SrbStatus::AspiBusy: return "ASPI IS BUSY";
    case SrbStatus::BufferTooBig: return "BUFFER TOO BIG";
    default: return "UNKNOWN";
  }
}

std::string_view SenseKeyText(const DecodedSense& sense) {
  switch (sense.Key) {
    case 0x0:
      if (sense.Filemark) return "FILEMARK";
      if (sense.EndOfMedium) return "END OF MEDIA";
      if (sense.IllegalLength) return "ILLEGAL LENGTH";
      return "NO ADDITIONAL SENSE INFORMATION";
    case 0x1: return "RECOVERED ERROR";
    case 0x2: return "NOT READY";
    case 0x3: return "MEDIUM ERROR";
    case 0x4: return "HARDWARE ERROR";
    case 0x5: return "ILLEGAL REQUEST";
    case 0x6: return "UNIT ATTENTION";
    case 0x7: return "DATA PROTECT";
    case 0x8: return "ERASE CHECK";
    case 0xA: return "COPYABORTED";
    case 0xB: return "ABORTED COMMAND";
    case 0xD: return "VOLUME OVERFLOW";
    case 0xE: return "MISCOMPARE";
    case 0xF: return "RESERVED";
    default: return {};  // 9 and 0Ch
  }
}

std::string AscAscqTextOrNumbers(std::uint8_t asc, std::uint8_t ascq) {
  if (auto text = AscAscqText(asc, ascq)) return std::string(*text);
  return std::to_string(asc) + "," + std::to_string(ascq);
}

FailureText BuildLastErrorText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus,
                               std::span<const std::uint8_t> sense) {
  FailureText result;
  result.TargetBusy = status == SrbStatus::Error && hostStatus == HostAdapterStatus::Ok &&
                      targetStatus == TargetStatus::Busy;
  std::string_view text = StatusText(status, hostStatus, targetStatus);
  const DecodedSense decoded = DecodeSense(sense);
  if (text == CheckCondition) {
    switch (decoded.Format) {
      case SenseFormat::None: text = {}; break;
      case SenseFormat::Fixed: {
        std::string_view keyText = SenseKeyText(decoded);
        if (!keyText.empty()) text = keyText;
        break;
      }
      default: text = "UNKNOWN"; break;
    }
  }
  result.Text = std::string(text);
  if (decoded.AdditionalLength != 0) {
    result.Text += " (" + AscAscqTextOrNumbers(decoded.Asc, decoded.Ascq) + ")";
  }
  return result;
}

}  // namespace velmarond::device
