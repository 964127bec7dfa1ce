// velmarond-cli drives: every drive with its letter, device line, name, node and whether it writes.

#include <iostream>

#include "cli/CliCommand.h"
#include "cli/DriveOptions.h"

namespace velmarond::cli {

namespace {

bool Writes(device::EngineDevice& device) {
  for (int code = 21; code <= 32; ++code) {
    if (device.DeviceFeature(code)) return true;
  }
  return false;
}

int RunDrives(const std::vector<std::string>& args) {
  DriveOptions options;
  if (auto problem = ParseDriveOptions(args, options)) return ReportError(*problem);
  if (!options.Rest.empty()) return ReportError("drives takes no arguments but --log FILE");
  std::string error;
  auto session = OpenDrives(options, error);
  if (!session) return ReportError(error);
  const auto roots = session->Platform->ListDrives();
  if (session->Device->DeviceCount() == 0 && roots.empty()) {
    std::cout << "no drives (set VELMAROND_VIRTUAL_RECORDERS to add virtual recorders)\n";
    return ExitSuccess;
  }
  for (int i = 0; i < session->Device->DeviceCount(); ++i) {
    const auto& entry = session->Device->Entries()[static_cast<std::size_t>(i)];
    std::string name, node;
    for (const auto& root : roots) {
      if (root.Letter == entry.Letter) {
        name = root.DisplayName;
        node = root.Node;
      }
    }
    const bool selected = session->Device->SelectDevice(i);
    std::cout << entry.Letter << ":  " << entry.Line << "\n    name: " << name << "\n    node: " << node
              << "\n    writes: " << (selected && Writes(*session->Device) ? "yes" : "no") << "\n";
  }
  for (const auto& root : roots) {
    bool listed = false;
    for (const auto& entry : session->Device->Entries()) listed = listed || entry.Letter == root.Letter;
    if (!listed)
      std::cout << root.Letter << ":  " << root.Node
                << " cannot be opened (permission denied? your user may need to be in the cdrom group)\n";
  }
  return ExitSuccess;
}

const CliRegistration drivesVerb{{"drives", "list the drives: letter, device line, name, node, writer",
                                  "drives [--log FILE]", RunDrives}};

}  // namespace
}  // namespace velmarond::cli
