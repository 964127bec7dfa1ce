// MODE SENSE (10) and MODE SELECT (10): error recovery (01h), write parameters (05h) and the
// capabilities page (2Ah). The write parameters are checked against the medium before they are taken.

#include <algorithm>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

constexpr std::uint8_t PageErrorRecovery = 0x01;
constexpr std::uint8_t PageWriteParameters = 0x05;
constexpr std::uint8_t PageCapabilities = 0x2A;
constexpr std::uint8_t PageAll = 0x3F;
constexpr std::size_t ModeHeaderLength = 8;

enum class PageControl : std::uint8_t { Current = 0, Changeable = 1, Default = 2, Saved = 3 };

// Nominal maximum speeds in kB/s of the drive per medium family when no limit is set.
std::uint32_t MaximumWriteKBps(const RecorderState& state) {
  if (state.Drive.SpeedKBps != 0) return state.Drive.SpeedKBps;
  if (!state.Disc) return 7056;
  switch (state.Disc->Traits().Family) {
    case MediumFamily::Cd: return 7056;      // 40x
    case MediumFamily::Dvd: return 22160;    // 16x
    case MediumFamily::Bd: return 35960;     // 8x
    case MediumFamily::HdDvd: return 13500;  // 2x
  }
  return 7056;
}

std::vector<std::uint8_t> CapabilitiesPage(const RecorderState& state) {
  const std::uint32_t maxWrite = MaximumWriteKBps(state);
  const std::uint32_t speeds[] = {maxWrite, maxWrite / 2, maxWrite / 4};
  std::vector<std::uint8_t> page(32 + 4 * std::size(speeds), 0);
  page[0] = PageCapabilities;
  page[1] = std::uint8_t(page.size() - 2);
  page[2] = 0x3F;  // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
  page[3] = 0x33;  // writes CD-R, CD-RW, DVD-R, DVD-RAM (no test write: simulation is not modelled)
  page[4] = 0xF1;  // BUF, multi-session, mode 2 form 1 and 2, audio play
  page[5] = 0x03;  // CD-DA commands, accurate stream
  page[6] = 0x29 | (state.PreventRemoval ? 0x02 : 0x00);  // tray, eject, lock
  const std::uint32_t maxRead = std::max<std::uint32_t>(maxWrite, 8467);
  Put16(page, 8, std::min<std::uint32_t>(maxRead, 0xFFFF));
  Put16(page, 12, std::min<std::uint32_t>(state.Drive.BufferKiB, 0xFFFF));
  Put16(page, 14, std::min<std::uint32_t>(state.SelectedReadKBps ? state.SelectedReadKBps : maxRead, 0xFFFF));
  Put16(page, 18, std::min<std::uint32_t>(maxWrite, 0xFFFF));
  const std::uint32_t current = state.SelectedWriteKBps ? std::min(state.SelectedWriteKBps, maxWrite) : maxWrite;
  Put16(page, 20, std::min<std::uint32_t>(current, 0xFFFF));
  Put16(page, 28, std::min<std::uint32_t>(current, 0xFFFF));
  Put16(page, 30, std::size(speeds));
  for (std::size_t i = 0; i < std::size(speeds); ++i) Put16(page, 32 + 4 * i + 2, std::min<std::uint32_t>(speeds[i], 0xFFFF));
  return page;
}

std::vector<std::uint8_t> Page(const RecorderState& state, std::uint8_t code, PageControl control) {
  switch (code) {
    case PageErrorRecovery: {
      std::vector<std::uint8_t> page(12, 0);
      page[0] = PageErrorRecovery;
      page[1] = 10;
      if (control != PageControl::Changeable) page[3] = 1;  // read retry count
      return page;
    }
    case PageWriteParameters: {
      if (control == PageControl::Current) return {state.WriteParameters.begin(), state.WriteParameters.end()};
      const auto defaults = DefaultWriteParameters(state.Disc);
      std::vector<std::uint8_t> page(defaults.begin(), defaults.end());
      if (control == PageControl::Changeable) {
        std::fill(page.begin() + 2, page.end(), std::uint8_t(0));
        for (std::size_t i : {3u, 4u, 5u, 7u, 8u, 10u, 11u, 12u, 13u, 14u, 15u}) page[i] = 0xFF;
        page[2] = 0x6F;  // BUFE, LS_V, write type; test write is not changeable
      }
      return page;
    }
    case PageCapabilities: {
      auto page = CapabilitiesPage(state);
      if (control == PageControl::Changeable) std::fill(page.begin() + 2, page.end(), std::uint8_t(0));
      return page;
    }
    default:
      return {};
  }
}

struct WriteParameterCheck {
  std::uint8_t WriteType, MultiSession, DataBlockType;
  bool TestWrite;
};

// Whether a write parameters page suits the medium in the drive, as a drive judges it.
bool AcceptableForMedium(const std::optional<Medium>& disc, const WriteParameterCheck& p) {
  if (p.MultiSession == 0x2) return false;                        // reserved value
  if (p.TestWrite) return false;                                  // simulation is not offered (page 2Ah)
  if (p.WriteType > 4) return false;
  if (!disc) return p.WriteType <= 2;
  switch (disc->Kind) {
    case MediumKind::CdR:
    case MediumKind::CdRw:
      // Track-at-once and session-at-once; data block types 0..13 except the reserved 4..7.
      return (p.WriteType == 1 || p.WriteType == 2) && p.DataBlockType <= 13 &&
             (p.DataBlockType < 4 || p.DataBlockType > 7);
    case MediumKind::DvdR:
    case MediumKind::DvdRw:
    case MediumKind::HdDvdR:
      return p.WriteType == 0 || p.WriteType == 2;                 // incremental or disc-at-once
    case MediumKind::DvdPlusR:
    case MediumKind::DvdPlusRDl:
      return p.WriteType <= 1;                                     // no raw, no session-at-once
    default:
      return p.WriteType <= 2;                                     // the page does not steer these media
  }
}

}  // namespace

Reply ModeSense10(RecorderState& state, const Command& command) {
  const auto control = static_cast<PageControl>(command.At(2) >> 6);
  const std::uint8_t code = command.At(2) & 0x3F;
  if (control == PageControl::Saved) return Reply::Check(sense::SavingParametersNotSupported);
  std::vector<std::uint8_t> reply(ModeHeaderLength, 0);
  if (code == PageAll) {
    for (std::uint8_t each : {PageErrorRecovery, PageWriteParameters, PageCapabilities}) {
      const auto page = Page(state, each, control);
      reply.insert(reply.end(), page.begin(), page.end());
    }
  } else {
    const auto page = Page(state, code, control);
    if (page.empty()) return Reply::Check(sense::InvalidFieldInCdb);
    reply.insert(reply.end(), page.begin(), page.end());
  }
  Put16(reply, 0, std::uint32_t(reply.size() - 2));
  return DataIn(command, reply, Get16(command.Cdb, 7));
}

Reply ModeSelect10(RecorderState& state, const Command& command) {
  const std::size_t length = Get16(command.Cdb, 7);
  if (length == 0) return Reply::Good();
  if (!HasParameterData(command, length) || length < ModeHeaderLength) return Reply::Check(sense::ParameterListLengthError);
  const auto data = command.Data.first(length);
  std::size_t at = ModeHeaderLength + Get16(data, 6);  // skip block descriptors
  while (at + 2 <= length) {
    const std::uint8_t code = data[at] & 0x3F;
    const std::size_t pageLength = data[at + 1] + 2u;
    if (at + pageLength > length) return Reply::Check(sense::ParameterListLengthError);
    const auto page = data.subspan(at, pageLength);
    if (code == PageWriteParameters) {
      if (pageLength < 16) return Reply::Check(sense::InvalidFieldInParameterList);
      const WriteParameterCheck check{std::uint8_t(page[2] & 0x0F), std::uint8_t(page[3] >> 6),
                                      std::uint8_t(page[4] & 0x0F), (page[2] & 0x10) != 0};
      if (!AcceptableForMedium(state.Disc, check)) return Reply::Check(sense::InvalidFieldInParameterList);
      std::copy_n(page.begin() + 2, std::min(pageLength, WriteParametersPageLength) - 2, state.WriteParameters.begin() + 2);
    } else if (code != PageErrorRecovery) {
      return Reply::Check(sense::InvalidFieldInParameterList);
    }
    at += pageLength;
  }
  return Reply::Good();
}

}  // namespace velmarond::vrec
