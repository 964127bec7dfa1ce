#pragma once
// Exporting a recorder's medium as files independent tools read: an ISO image of the user data, or
// BIN/CUE of a CD.

#include <optional>
#include <string>

#include "device/Result.h"
#include "vrec/RecorderState.h"

namespace velmarond::vrec {

// 2048 bytes a block from block 0 to the end of the recorded area, unwritten blocks as zeros; with a
// session, only that session's first data track from its first block.
Result<void> ExportIso(const RecorderState& state, const std::string& path, std::optional<std::uint32_t> session = {});
// path.cue and, beside it, the .bin it names: every track of a single-session CD from LBA 0, audio as
// recorded, data as 2352-byte mode 1 sectors.
Result<void> ExportCue(const RecorderState& state, const std::string& cuePath);

}  // namespace velmarond::vrec
