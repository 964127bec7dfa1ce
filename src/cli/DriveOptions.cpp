#include "cli/DriveOptions.h"

#include <cctype>

#include "platform/CompositePlatform.h"

namespace velmarond::cli {

std::optional<std::string> ParseDriveOptions(const std::vector<std::string>& args, DriveOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--drive" || arg == "--log") {
      if (i + 1 >= args.size()) return arg + " needs a value";
      const std::string& value = args[++i];
      if (arg == "--log") {
        options.LogPath = value;
      } else {
        if (value.size() != 1 && !(value.size() == 2 && value[1] == ':')) return "--drive takes one letter, e.g. --drive D";
        options.Drive = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
      }
    } else {
      options.Rest.push_back(arg);
    }
  }
  return std::nullopt;
}

std::optional<DriveSession> OpenDrives(const DriveOptions& options, std::string& error) {
  DriveSession session;
  session.Platform = platform::MakeSystemPlatform();
  session.Device = std::make_unique<device::EngineDevice>(*session.Platform);
  session.Device->Initialize(false, {}, options.LogPath);
  if (!options.LogPath.empty() && !session.Device->Log.IsOpen()) {
    error = "cannot write the command log " + options.LogPath;
    return std::nullopt;
  }
  return session;
}

std::optional<std::string> SelectDrive(DriveSession& session, const DriveOptions& options) {
  if (!options.Drive) return std::string("--drive L is required");
  for (const auto& entry : session.Device->Entries()) {
    if (entry.Letter != *options.Drive) continue;
    if (session.Device->SelectDeviceByLetter(*options.Drive)) return std::nullopt;
    const int error = session.Device->LastSystemError;
    return "drive " + std::string(1, *options.Drive) + ": does not answer" +
           (error == EACCES || error == EPERM ? " (permission denied: is your user in the cdrom group?)" : "");
  }
  return "unknown drive letter " + std::string(1, *options.Drive) + " (see velmarond-cli drives)";
}

}  // namespace velmarond::cli
