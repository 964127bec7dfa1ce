#include "device/DeviceLine.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace velmarond::device {

namespace {

constexpr std::size_t EngineLineLimit = 128;
constexpr std::uint8_t WriteOncePeripheralType = 4;

std::string InquiryText(std::span<const std::uint8_t> inquiry, std::size_t offset, std::size_t length,
                        bool blankControls) {
  std::string text;
  for (std::size_t i = offset; i < offset + length; ++i) {
    char c = i < inquiry.size() ? static_cast<char>(inquiry[i]) : ' ';
    if (blankControls && static_cast<unsigned char>(c) < 0x20) c = ' ';
    text += c;
  }
  return text;
}

std::string AddressPrefix(const DriveAddress& address, char letter) {
  return std::to_string(address.Adapter) + ":" + std::to_string(address.Target) + ":" + std::to_string(address.Lun) +
         "," + std::string(1, letter == 0 ? '?' : letter) + ": ";
}

std::optional<unsigned> TakeNumber(const std::string& line, std::size_t& position, char terminator) {
  const std::size_t end = line.find(terminator, position);
  if (end == std::string::npos || end == position || end - position > 3) return std::nullopt;
  unsigned value = 0;
  auto [stop, error] = std::from_chars(line.data() + position, line.data() + end, value);
  if (error != std::errc{} || stop != line.data() + end || value > 255) return std::nullopt;
  position = end + 1;
  return value;
}

}  // namespace

std::vector<std::optional<DriveAddress>> AssignAdapters(const std::vector<std::optional<ScsiAddress>>& addresses) {
  std::set<unsigned> used;
  for (const auto& address : addresses) {
    if (address && address->Host <= HighestAdapterNumber) used.insert(address->Host);
  }
  unsigned next = used.empty() ? 0 : *used.rbegin() + 1;
  auto nextFree = [&]() -> std::optional<unsigned> {
    for (unsigned tries = 0; tries <= HighestAdapterNumber; ++tries, ++next) {
      if (next > HighestAdapterNumber) next = 0;
      if (used.insert(next).second) return next++;
    }
    return std::nullopt;
  };

  std::vector<std::optional<DriveAddress>> result;
  std::vector<std::pair<unsigned, std::uint8_t>> bigHosts;  // Linux host → the adapter it got
  for (const auto& address : addresses) {
    if (!address || address->Target > 255 || address->Lun > 255) {
      result.emplace_back();
      continue;
    }
    std::optional<unsigned> adapter;
    if (address->Host <= HighestAdapterNumber) {
      adapter = address->Host;
    } else {
      auto known = std::find_if(bigHosts.begin(), bigHosts.end(), [&](auto& p) { return p.first == address->Host; });
      if (known != bigHosts.end()) {
        adapter = known->second;
      } else if ((adapter = nextFree())) {
        bigHosts.emplace_back(address->Host, static_cast<std::uint8_t>(*adapter));
      }
    }
    if (!adapter) {
      result.emplace_back();
      continue;
    }
    result.push_back(DriveAddress{static_cast<std::uint8_t>(*adapter), static_cast<std::uint8_t>(address->Target),
                                  static_cast<std::uint8_t>(address->Lun)});
  }
  return result;
}

std::string ComponentDeviceLine(const DriveAddress& address, char letter, std::span<const std::uint8_t> inquiry) {
  std::string line = AddressPrefix(address, letter) + InquiryText(inquiry, 8, 28, false);
  if (!inquiry.empty() && (inquiry[0] & 0x1F) == WriteOncePeripheralType) line += " (not supported)";
  return line;
}

std::string EngineDeviceLine(const DriveAddress& address, char letter, std::span<const std::uint8_t> inquiry) {
  std::string line = AddressPrefix(address, letter) + InquiryText(inquiry, 8, 8, true) + " " +
                     InquiryText(inquiry, 16, 16, true) + " " + InquiryText(inquiry, 32, 4, true) + " ";
  if (line.size() > EngineLineLimit) line.resize(EngineLineLimit);
  return line;
}

std::optional<DriveAddress> ParseDeviceLineAddress(const std::string& line) {
  std::size_t position = 0;
  auto adapter = TakeNumber(line, position, ':');
  if (!adapter) return std::nullopt;
  auto target = TakeNumber(line, position, ':');
  if (!target) return std::nullopt;
  auto unit = TakeNumber(line, position, ',');
  if (!unit) return std::nullopt;
  return DriveAddress{static_cast<std::uint8_t>(*adapter), static_cast<std::uint8_t>(*target),
                      static_cast<std::uint8_t>(*unit)};
}

}  // namespace velmarond::device
