#include "BridgeConfig.h"

#include <charconv>

namespace velmarond::bridge {

std::optional<unsigned> TrailingNumber(std::string_view path) {
  std::size_t digits = path.size();
  while (digits > 0 && path[digits - 1] >= '0' && path[digits - 1] <= '9') --digits;
  if (digits == path.size()) return std::nullopt;
  unsigned value = 0;
  auto [end, error] = std::from_chars(path.data() + digits, path.data() + path.size(), value);
  if (error != std::errc{} || end != path.data() + path.size()) return std::nullopt;
  return value;
}

static Result<BridgedPath> ParseEntry(std::string_view entry) {
  const std::size_t equals = entry.find('=');
  if (equals == std::string_view::npos || equals == 0 || equals + 1 == entry.size())
    return MakeError("bridge entry \"" + std::string(entry) + "\" is not DEVICE=FOLDER");
  BridgedPath path{std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1)), 0};
  if (path.DevicePath.front() != '/')
    return MakeError("bridge device \"" + path.DevicePath + "\" is not an absolute path");
  path.Minor = TrailingNumber(path.DevicePath).value_or(0);
  return path;
}

Result<std::vector<BridgedPath>> ParseBridgeSpec(std::string_view text) {
  std::vector<BridgedPath> paths;
  while (!text.empty()) {
    const std::size_t colon = text.find(':');
    const std::string_view entry = text.substr(0, colon);
    if (!entry.empty()) {
      auto parsed = ParseEntry(entry);
      if (!parsed) return parsed.GetError();
      for (const BridgedPath& known : paths)
        if (known.DevicePath == parsed->DevicePath)
          return MakeError("bridge device \"" + known.DevicePath + "\" is given twice");
      paths.push_back(std::move(parsed.Value()));
    }
    if (colon == std::string_view::npos) break;
    text.remove_prefix(colon + 1);
  }
  if (paths.empty()) return MakeError("no bridged device given");
  return paths;
}

}  // namespace velmarond::bridge
