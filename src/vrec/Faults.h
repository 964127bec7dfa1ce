#pragma once
// Faults injected on demand: a rule picks commands (by opcode, occurrence or LBA range) and says what
// the drive does instead of running them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Result.h"
#include "vrec/Sense.h"

namespace velmarond::vrec {

enum class FaultAction : std::uint8_t { CheckCondition, Busy, Timeout, RemoveMedium };

struct FaultRule {
  std::optional<std::uint8_t> Opcode;      // none: every command
  std::uint32_t Occurrence = 0;            // fire from the n-th matching command on (1-based); 0: from the first
  std::optional<std::int64_t> FirstLba;    // with LastLba: only commands whose LBA range touches [FirstLba, LastLba]
  std::optional<std::int64_t> LastLba;
  FaultAction Action = FaultAction::CheckCondition;
  SenseCode Sense{0x3, 0x0C, 0x00};        // for CheckCondition
  std::uint32_t Repeat = 1;                // how many times it fires; 0 = every time
  std::uint32_t Seen = 0;                  // matching commands so far
  std::uint32_t Fired = 0;
};

// The first rule that fires for this command, counted as seen/fired.
FaultRule* MatchFault(std::vector<FaultRule>& rules, std::uint8_t opcode, std::optional<std::int64_t> firstLba,
                      std::int64_t blocks);

// "opcode=2A occurrence=3 lba=100-200 action=check sense=3/0C/00 repeat=2" and back.
Result<FaultRule> ParseFaultRule(std::string_view text);
std::string FormatFaultRule(const FaultRule& rule);

}  // namespace velmarond::vrec
