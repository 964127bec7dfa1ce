// Identification and drive control: TEST UNIT READY, REQUEST SENSE, INQUIRY, START STOP UNIT,
// PREVENT/ALLOW MEDIUM REMOVAL, GET EVENT STATUS NOTIFICATION, MECHANISM STATUS.

#include <algorithm>
#include <array>
#include <cstring>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {

std::optional<Reply> RequireMedium(const RecorderState& state) {
  if (state.TrayOpen) return Reply::Check(sense::NoMediumTrayOpen);
  if (!state.Disc) return Reply::Check(sense::NoMediumTrayClosed);
  return std::nullopt;
}

bool HasParameterData(const Command& command, std::size_t needed) {
  return command.Direction == device::DataDirection::Out && command.Data.size() >= needed;
}

Reply TestUnitReady(RecorderState& state, const Command&) {
  if (auto missing = RequireMedium(state)) return *missing;
  return Reply::Good();
}

Reply RequestSense(RecorderState& state, const Command& command) {
  std::optional<std::uint16_t> progress;
  SenseCode code = sense::NoSense;
  if (auto running = RunningOperation(state)) {
    const std::int64_t span = std::max<std::int64_t>(1, running->EndMs - running->StartMs);
    progress = static_cast<std::uint16_t>(std::min<std::int64_t>(65535, (state.Time->NowMs() - running->StartMs) * 65536 / span));
    code = running->Code;
  } else if (auto missing = RequireMedium(state)) {
    code = *missing->Sense;
  }
  const auto bytes = BuildFixedSense(code, progress);
  return DataIn(command, bytes, command.At(4));
}

namespace {

void PutText(std::span<std::uint8_t> out, std::size_t at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) out[at + i] = i < text.size() ? std::uint8_t(text[i]) : ' ';
}

}  // namespace

Reply Inquiry(RecorderState& state, const Command& command) {
  const std::size_t allocation = Get16(command.Cdb, 3);
  if (command.At(1) & 0x01) {  // vital product data
    std::array<std::uint8_t, 24> page{};
    switch (command.At(2)) {
      case 0x00:
        page[1] = 0x00;
        page[3] = 2;
        page[4] = 0x00;
        page[5] = 0x80;
        return DataIn(command, std::span(page).first(6), allocation);
      case 0x80:
        page[1] = 0x80;
        page[3] = 16;
        PutText(page, 4, 16, "VREC0001");
        return DataIn(command, std::span(page).first(20), allocation);
      default:
        return Reply::Check(sense::InvalidFieldInCdb);
    }
  }
  if (command.At(2) != 0) return Reply::Check(sense::InvalidFieldInCdb);
  std::array<std::uint8_t, 96> data{};
  data[0] = 0x05;  // CD/DVD device
  data[1] = 0x80;  // removable medium
  data[2] = 0x05;  // SPC-3
  data[3] = 0x02;  // response data format
  data[4] = data.size() - 5;
  PutText(data, 8, 8, state.Drive.Vendor);
  PutText(data, 16, 16, state.Drive.Product);
  PutText(data, 32, 4, state.Drive.Revision);
  Put16(data, 58, 0x04E0);  // version descriptor: MMC-6
  return DataIn(command, data, allocation);
}

Reply StartStopUnit(RecorderState& state, const Command& command) {
  const bool loadEject = command.At(4) & 0x02;
  const bool start = command.At(4) & 0x01;
  if (!loadEject) return Reply::Good();
  if (start) {
    state.TrayOpen = false;
    return Reply::Good();
  }
  if (state.PreventRemoval) return Reply::Check(sense::RemovalPrevented);
  state.TrayOpen = true;
  return Reply::Good();
}

Reply PreventAllowRemoval(RecorderState& state, const Command& command) {
  state.PreventRemoval = command.At(4) & 0x01;
  return Reply::Good();
}

Reply GetEventStatusNotification(RecorderState& state, const Command& command) {
  if (!(command.At(1) & 0x01)) return Reply::Check(sense::InvalidFieldInCdb);  // only polled operation
  constexpr std::uint8_t MediaClass = 0x10;
  std::array<std::uint8_t, 8> data{};
  data[3] = MediaClass;  // supported classes
  if (!(command.At(4) & MediaClass)) {
    Put16(data, 0, 2);
    data[2] = 0x80;  // no event available
    return DataIn(command, std::span(data).first(4), Get16(command.Cdb, 7));
  }
  Put16(data, 0, 6);
  data[2] = 0x04;  // media class
  data[4] = state.MediumEventPending ? 0x02 : 0x00;  // new media / no change
  data[5] = std::uint8_t((state.Disc ? 0x02 : 0x00) | (state.TrayOpen ? 0x01 : 0x00));
  state.MediumEventPending = false;
  return DataIn(command, data, Get16(command.Cdb, 7));
}

Reply MechanismStatus(RecorderState& state, const Command& command) {
  std::array<std::uint8_t, 8> data{};
  data[1] = state.TrayOpen ? 0x10 : 0x00;
  return DataIn(command, data, Get16(command.Cdb, 8));
}

}  // namespace velmarond::vrec
