#pragma once
// Reading and writing a recorder's state in its folder (format described in Persistence.cpp).

#include <cstdint>
#include <string>

#include "device/Result.h"
#include "vrec/RecorderState.h"

namespace velmarond::vrec {

std::string StatePath(const std::string& folder);
Result<RecorderState> LoadRecorderState(const std::string& folder, std::uint64_t& generation);
// generation names the current sector file; it advances when a new one is written.
Result<void> SaveRecorderState(const std::string& folder, const RecorderState& state, std::uint64_t& generation);

}  // namespace velmarond::vrec
