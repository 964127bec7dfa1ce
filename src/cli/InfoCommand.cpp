// velmarond-cli info --drive L: the inserted disc and what the drive can do.

#include <array>
#include <iomanip>
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/DriveOptions.h"
#include "device/MediaTypes.h"

namespace velmarond::cli {

namespace {

std::string Mib(std::uint64_t sectors) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << static_cast<double>(sectors) * 2048.0 / 1048576.0 << " MiB";
  return text.str();
}

// Disc status field of READ DISC INFORMATION (byte 2, bits 0-1).
std::string DiscStatus(device::EngineDevice& drive) {
  std::array<std::uint8_t, 34> reply{};
  if (!drive.ReadDiscInformation(reply)) return "unknown (the drive gives no disc information)";
  switch (reply[2] & 0x03) {
    case 0: return "blank";
    case 1: return "appendable";
    case 2: return "complete";
    default: return "other (random-access or overwritable)";
  }
}

int RunInfo(const std::vector<std::string>& args) {
  DriveOptions options;
  if (auto problem = ParseDriveOptions(args, options)) return ReportError(*problem);
  if (!options.Rest.empty()) return ReportError("unexpected argument " + options.Rest.front());
  std::string error;
  auto session = OpenDrives(options, error);
  if (!session) return ReportError(error);
  if (auto problem = SelectDrive(*session, options)) return ReportError(*problem);
  device::EngineDevice& drive = *session->Device;
  if (!drive.TestUnitReady()) return ReportError("no medium in drive " + std::string(1, *options.Drive) + ":");

  const std::uint8_t media = drive.MediaType();
  const std::uint32_t free = drive.FreeSectors();
  const std::uint32_t total = drive.Capacity();
  std::cout << "media type:    " << int{media} << " (" << device::EngineMediaTypeName(media) << ")\n"
            << "erasable:      " << (drive.IsDiscErasable() ? "yes" : "no") << "\n"
            << "writable:      " << (drive.IsDiscWritable() ? "yes" : "no") << "\n"
            << "disc status:   " << DiscStatus(drive) << "\n"
            << "sessions:      " << drive.SessionCount() << "\n"
            << "last track:    " << drive.LastTrackNumber() << "\n"
            << "free sectors:  " << free << " (" << Mib(free) << ")\n"
            << "total sectors: " << total << " (" << Mib(total) << ")\n"
            << "ISO volume:    " << drive.IsoVolumeSize() << " sectors\n"
            << "capabilities: ";
  for (int code = 1; code <= 42; ++code) {
    if (drive.DeviceFeature(code)) std::cout << ' ' << device::CapabilityLabel(code);
  }
  std::cout << "\nmax read speed:      " << drive.MaxReadSpeed << " kB/s\n"
            << "current read speed:  " << drive.CurrentReadSpeed << " kB/s\n"
            << "max write speed:     " << drive.MaxWriteSpeed << " kB/s\n"
            << "current write speed: " << drive.CurrentWriteSpeed << " kB/s\n"
            << "buffer size:         " << drive.BufferSizeKb << " kB\n";
  return ExitSuccess;
}

const CliRegistration infoVerb{{"info", "show the disc in a drive and the drive's abilities",
                                "info --drive L [--log FILE]", RunInfo}};

}  // namespace
}  // namespace velmarond::cli
