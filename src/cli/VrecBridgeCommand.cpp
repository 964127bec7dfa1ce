// velmarond-cli vrec-bridge: runs a Linux burning program with a virtual recorder folder standing at
// an optical drive path, through the preload bridge (tools/vrec-bridge).

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommand.h"

namespace velmarond::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* DefaultDevice = "/dev/sr9";
constexpr const char* BridgeLibraryName = "libvrec-bridge.so";

struct BridgeInvocation {
  std::string Folder;
  std::string Device = DefaultDevice;
  std::vector<std::string> Program;
};

// The library named by VELMAROND_BRIDGE_LIBRARY, else the one of the build tree or installation
// this executable belongs to.
std::string FindBridgeLibrary() {
  if (const char* given = std::getenv("VELMAROND_BRIDGE_LIBRARY"); given && *given) return given;
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const fs::path dir = self.parent_path();
  for (const fs::path& candidate : {dir / "../../tools/vrec-bridge" / BridgeLibraryName,
                                    dir / "../lib/velmarond" / BridgeLibraryName, dir / BridgeLibraryName})
    if (fs::exists(candidate, error)) return fs::weakly_canonical(candidate, error).string();
  return {};
}

const CliCommand& Command();

int Parse(const std::vector<std::string>& args, BridgeInvocation& out) {
  std::size_t i = 0;
  for (; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--device") {
      if (++i == args.size()) return ReportUsage(Command(), "--device needs a path");
      out.Device = args[i];
    } else if (out.Folder.empty()) {
      out.Folder = args[i];
    } else {
      return ReportUsage(Command(), "unexpected \"" + args[i] + "\"");
    }
  }
  if (out.Folder.empty()) return ReportUsage(Command(), "no recorder folder given");
  if (i + 1 >= args.size()) return ReportUsage(Command(), "no program given after --");
  if (out.Device.empty() || out.Device.front() != '/' || out.Device.find_first_of(":=") != std::string::npos)
    return ReportUsage(Command(), "the device must be an absolute path without ':' or '='");
  out.Program.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  return ExitSuccess;
}

int RunBridged(const std::vector<std::string>& args) {
  BridgeInvocation invocation;
  if (const int parsed = Parse(args, invocation); parsed != ExitSuccess) return parsed;

  std::error_code error;
  const fs::path folder = fs::absolute(invocation.Folder, error);
  if (error || !fs::is_directory(folder, error))
    return ReportError("\"" + invocation.Folder + "\" is not a virtual recorder folder");
  if (folder.string().find(':') != std::string::npos)
    return ReportError("the recorder folder path must not contain ':'");
  const std::string library = FindBridgeLibrary();
  if (library.empty()) return ReportError("cannot find " + std::string(BridgeLibraryName));

  std::string preload = library;
  if (const char* existing = std::getenv("LD_PRELOAD"); existing && *existing) preload += std::string(":") + existing;
  ::setenv("LD_PRELOAD", preload.c_str(), 1);
  ::setenv("VELMAROND_BRIDGE", (invocation.Device + "=" + folder.string()).c_str(), 1);

  // Replacing this process hands the program's exit code straight back to the caller.
  std::vector<char*> argv;
  for (std::string& word : invocation.Program) argv.push_back(word.data());
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ReportError("cannot run \"" + invocation.Program.front() + "\": " + std::strerror(errno));
  return 127;
}

const CliCommand& Command() {
  static const CliCommand command{
      "vrec-bridge", "run a burning program with a virtual recorder as its drive",
      "vrec-bridge DIR [--device /dev/srN] -- PROGRAM [ARGS...]   (default device /dev/sr9)", RunBridged};
  return command;
}

const CliRegistration registration{Command()};

}  // namespace
}  // namespace velmarond::cli
