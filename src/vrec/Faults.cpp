#include "vrec/Faults.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace velmarond::vrec {

FaultRule* MatchFault(std::vector<FaultRule>& rules, std::uint8_t opcode, std::optional<std::int64_t> firstLba,
                      std::int64_t blocks) {
  for (FaultRule& rule : rules) {
    if (rule.Opcode && *rule.Opcode != opcode) continue;
    if (rule.FirstLba) {
      if (!firstLba) continue;
      const std::int64_t last = *firstLba + std::max<std::int64_t>(blocks, 1) - 1;
      if (last < *rule.FirstLba || *firstLba > rule.LastLba.value_or(*rule.FirstLba)) continue;
    }
    ++rule.Seen;
    if (rule.Seen < rule.Occurrence) continue;
    if (rule.Repeat != 0 && rule.Fired >= rule.Repeat) continue;
    ++rule.Fired;
    return &rule;
  }
  return nullptr;
}

namespace {

bool ParseNumber(std::string_view text, std::int64_t& out, int base = 10) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseSense(std::string_view text, SenseCode& out) {
  std::int64_t parts[3];
  for (int i = 0; i < 3; ++i) {
    const auto slash = text.find('/');
    const std::string_view part = i < 2 ? text.substr(0, slash) : text;
    if ((i < 2 && slash == std::string_view::npos) || !ParseNumber(part, parts[i], 16) || parts[i] > 0xFF) return false;
    if (i < 2) text.remove_prefix(slash + 1);
  }
  out = SenseCode{std::uint8_t(parts[0]), std::uint8_t(parts[1]), std::uint8_t(parts[2])};
  return out.Key <= 0xF;
}

}  // namespace

Result<FaultRule> ParseFaultRule(std::string_view text) {
  FaultRule rule;
  std::istringstream words{std::string(text)};
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) return MakeError("fault: \"" + word + "\" is not KEY=VALUE");
    const std::string key = word.substr(0, equals);
    const std::string_view value = std::string_view(word).substr(equals + 1);
    std::int64_t number = 0;
    if (key == "opcode") {
      if (value == "any") continue;
      if (!ParseNumber(value, number, 16) || number > 0xFF) return MakeError("fault: bad opcode \"" + std::string(value) + "\"");
      rule.Opcode = std::uint8_t(number);
    } else if (key == "occurrence" || key == "repeat") {
      if (!ParseNumber(value, number) || number < 0) return MakeError("fault: bad " + key + " \"" + std::string(value) + "\"");
      (key == "repeat" ? rule.Repeat : rule.Occurrence) = std::uint32_t(number);
    } else if (key == "lba") {
      const auto dash = value.find('-', 1);
      std::int64_t first = 0, last = 0;
      if (!ParseNumber(value.substr(0, dash), first) ||
          (dash != std::string_view::npos && !ParseNumber(value.substr(dash + 1), last)))
        return MakeError("fault: bad lba range \"" + std::string(value) + "\"");
      rule.FirstLba = first;
      rule.LastLba = dash == std::string_view::npos ? first : last;
    } else if (key == "action") {
      if (value == "check") rule.Action = FaultAction::CheckCondition;
      else if (value == "busy") rule.Action = FaultAction::Busy;
      else if (value == "timeout") rule.Action = FaultAction::Timeout;
      else if (value == "remove") rule.Action = FaultAction::RemoveMedium;
      else return MakeError("fault: action must be check, busy, timeout or remove");
    } else if (key == "sense") {
      if (!ParseSense(value, rule.Sense)) return MakeError("fault: sense must be K/AA/QQ in hex");
    } else if (key == "seen" || key == "fired") {
      if (!ParseNumber(value, number) || number < 0) return MakeError("fault: bad counter");
      (key == "seen" ? rule.Seen : rule.Fired) = std::uint32_t(number);
    } else {
      return MakeError("fault: unknown key \"" + key + "\"");
    }
  }
  return rule;
}

std::string FormatFaultRule(const FaultRule& rule) {
  std::ostringstream out;
  char hex[16];
  if (rule.Opcode) {
    std::snprintf(hex, sizeof hex, "%02X", *rule.Opcode);
    out << "opcode=" << hex;
  } else {
    out << "opcode=any";
  }
  out << " occurrence=" << rule.Occurrence;
  if (rule.FirstLba) out << " lba=" << *rule.FirstLba << '-' << rule.LastLba.value_or(*rule.FirstLba);
  static constexpr const char* actions[] = {"check", "busy", "timeout", "remove"};
  out << " action=" << actions[static_cast<int>(rule.Action)];
  std::snprintf(hex, sizeof hex, "%X/%02X/%02X", rule.Sense.Key, rule.Sense.Asc, rule.Sense.Ascq);
  out << " sense=" << hex << " repeat=" << rule.Repeat << " seen=" << rule.Seen << " fired=" << rule.Fired;
  return out.str();
}

}  // namespace velmarond::vrec
