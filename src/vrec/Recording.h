#pragma once
// Closing tracks and sessions, shared by CLOSE TRACK/SESSION, SYNCHRONIZE CACHE (disc-at-once) and BLANK.

#include "vrec/RecorderState.h"

namespace velmarond::vrec {

// Ends a track: a partly written reservation or ECC block is padded with zeros, as a drive pads it.
void CloseTrack(RecorderState& state, Track& track);
// Ends the open session; the disc stays appendable when `nextSessionAllowed` and room is left.
void CloseSession(RecorderState& state, bool nextSessionAllowed);
// Ends a disc-at-once write: the session closes as the write parameters' multi-session field says.
void CloseDiscAtOnceSession(RecorderState& state);
// Multi-session field of the write parameters page set to "next session allowed".
bool NextSessionAllowed(const RecorderState& state);

}  // namespace velmarond::vrec
