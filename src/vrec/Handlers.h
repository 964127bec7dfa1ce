#pragma once
// The command handlers, grouped by subject in their own source files.

#include <optional>

#include "vrec/Command.h"
#include "vrec/RecorderState.h"

namespace velmarond::vrec {

using Handler = Reply (*)(RecorderState&, const Command&);

// Shared checks: NOT READY when no medium can be accessed.
std::optional<Reply> RequireMedium(const RecorderState& state);
// Bytes of parameter data the host sent, or an error reply when fewer than needed arrived.
bool HasParameterData(const Command& command, std::size_t needed);

// Identification and drive control
Reply TestUnitReady(RecorderState&, const Command&);
Reply RequestSense(RecorderState&, const Command&);
Reply Inquiry(RecorderState&, const Command&);
Reply StartStopUnit(RecorderState&, const Command&);
Reply PreventAllowRemoval(RecorderState&, const Command&);
Reply GetEventStatusNotification(RecorderState&, const Command&);
Reply MechanismStatus(RecorderState&, const Command&);
Reply GetConfiguration(RecorderState&, const Command&);
// Mode pages
Reply ModeSense10(RecorderState&, const Command&);
Reply ModeSelect10(RecorderState&, const Command&);
// Disc, track and format information
Reply ReadDiscInformation(RecorderState&, const Command&);
Reply ReadTrackInformation(RecorderState&, const Command&);
Reply ReadCapacity(RecorderState&, const Command&);
Reply ReadFormatCapacities(RecorderState&, const Command&);
Reply ReadToc(RecorderState&, const Command&);
// Reading
Reply Read10(RecorderState&, const Command&);
Reply Read12(RecorderState&, const Command&);
Reply ReadCd(RecorderState&, const Command&);
// Writing
Reply Write10(RecorderState&, const Command&);
Reply Write12(RecorderState&, const Command&);
Reply SynchronizeCache(RecorderState&, const Command&);
Reply CloseTrackSession(RecorderState&, const Command&);
Reply ReserveTrack(RecorderState&, const Command&);
Reply SendCueSheet(RecorderState&, const Command&);
// Format and blank
Reply FormatUnit(RecorderState&, const Command&);
Reply Blank(RecorderState&, const Command&);
// Speed and buffer
Reply SetCdSpeed(RecorderState&, const Command&);
Reply SetStreaming(RecorderState&, const Command&);
Reply GetPerformance(RecorderState&, const Command&);
Reply ReadBufferCapacity(RecorderState&, const Command&);
// DVD structures and power calibration
Reply ReadDvdStructure(RecorderState&, const Command&);
Reply SendDvdStructure(RecorderState&, const Command&);
Reply SendOpcInformation(RecorderState&, const Command&);

}  // namespace velmarond::vrec
