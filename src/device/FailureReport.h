#pragma once
// The one-line trace the TSCSIDevice component sends through OnDebugMessage for a failed command.

#include <string>

#include "device/CommandBlock.h"

namespace velmarond::device {

// False for the commands whose refusal is routine (readiness, identification, mode pages, speeds)
// and for "long write in progress".
bool IsReportedFailure(const CommandBlock& block);

std::string BuildFailureReport(const CommandBlock& block, const std::string& lastErrorText);

}  // namespace velmarond::device
