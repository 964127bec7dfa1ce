// velmarond-cli iso: builds an ISO image file from files and folders, as the application saves one.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/CliCommand.h"
#include "cli/ProgressBar.h"
#include "device/EventDispatch.h"
#include "image/FolderScan.h"
#include "image/VOVIRavadeZer.h"
#include "writer/WriteThread.h"

namespace velmarond::cli {
namespace {

struct IsoArguments {
  std::string Output;
  std::string Volume;
  bool Joliet = true;
  bool Iso1999 = false;
  bool Udf = false;
  std::string BootImage;
  std::uint32_t CacheMiB = 32;
  std::vector<std::string> Paths;
};

const char* const Usage =
    "iso -o OUT.iso [--volume NAME] [--no-joliet] [--iso9660-1999] [--udf] [--boot FILE] [--cache-mb N] PATH...";

std::atomic<bool> Interrupted{false};

std::optional<std::uint32_t> ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(text));
}

// Returns the problem with the arguments, or an empty text.
std::string Parse(const std::vector<std::string>& args, IsoArguments& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
    if (arg == "-o" || arg == "--volume" || arg == "--cache-mb" || arg == "--boot") {
      const std::string* v = value();
      if (v == nullptr) return arg + " needs a value";
      if (arg == "-o") out.Output = *v;
      if (arg == "--volume") out.Volume = *v;
      if (arg == "--boot") out.BootImage = *v;
      if (arg == "--cache-mb") {
        auto count = ParseCount(*v);
        if (!count) return "--cache-mb needs a number of megabytes";
        out.CacheMiB = *count;
      }
    } else if (arg == "--no-joliet") {
      out.Joliet = false;
    } else if (arg == "--iso9660-1999") {
      out.Iso1999 = true;
    } else if (arg == "--udf") {
      out.Udf = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      return "unknown option " + arg;
    } else {
      if (arg != "--") out.Paths.push_back(arg);
      if (arg == "--") out.Paths.insert(out.Paths.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      if (arg == "--") break;
    }
  }
  if (out.Output.empty()) return "-o OUT.iso is required";
  if (out.Paths.empty()) return "give at least one file or folder";
  return {};
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Resolve(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool IsInside(const std::string& path, const std::string& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            (folder == "/" || path[folder.size()] == '/'));
}

// The output may not be one of the sources nor lie inside a source folder: the image would read itself.
std::string CheckSources(const IsoArguments& args, std::string& outputFolder) {
  outputFolder = Resolve(DirectoryOf(args.Output));
  if (outputFolder.empty()) return "cannot write " + args.Output + ": its folder does not exist";
  const auto slash = args.Output.rfind('/');
  const std::string outputName = slash == std::string::npos ? args.Output : args.Output.substr(slash + 1);
  if (outputName.empty()) return "-o needs a file name, not a folder";
  const std::string output = (outputFolder == "/" ? "" : outputFolder) + "/" + outputName;
  // The finished image replaces the target by a rename, which must never hit a device or a folder.
  struct stat existing {};
  if (::stat(output.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
    return "cannot write " + args.Output + ": it exists and is not a regular file";
  for (const std::string& path : args.Paths) {
    const std::string source = Resolve(path);
    if (source.empty()) return "cannot find " + path + ": " + std::strerror(errno);
    if (IsInside(output, source)) return "the output " + args.Output + " lies inside the compilation (" + path + ")";
  }
  return {};
}

// The image is built beside the target and renamed into place only when complete.
class TemporaryImage {
 public:
  explicit TemporaryImage(const std::string& folder) {
    Path = folder + "/.velmarond-iso-XXXXXX";
    const int fd = ::mkstemp(Path.data());
    if (fd < 0) {
      Path.clear();
      return;
    }
    ::close(fd);
  }
  ~TemporaryImage() {
    if (!Path.empty()) ::unlink(Path.c_str());
  }
  TemporaryImage(const TemporaryImage&) = delete;
  TemporaryImage& operator=(const TemporaryImage&) = delete;

  bool Created() const { return !Path.empty(); }
  const std::string& Name() const { return Path; }
  bool MoveTo(const std::string& target) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(Path.c_str(), 0666 & ~mask);
    if (::rename(Path.c_str(), target.c_str()) != 0) return false;
    Path.clear();
    return true;
  }

 private:
  std::string Path;
};

void OnSignal(int) { Interrupted = true; }

struct SignalGuard {
  struct sigaction Old[2] {};
  SignalGuard() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    ::sigaction(SIGINT, &action, &Old[0]);
    ::sigaction(SIGTERM, &action, &Old[1]);
  }
  ~SignalGuard() {
    ::sigaction(SIGINT, &Old[0], nullptr);
    ::sigaction(SIGTERM, &Old[1], nullptr);
  }
};

int Run(const std::vector<std::string>& argv) {
  const CliCommand* self = CliRegistry::Instance().Find("iso");
  IsoArguments args;
  if (const std::string problem = Parse(argv, args); !problem.empty()) return ReportUsage(*self, problem);
  std::string outputFolder;
  if (const std::string problem = CheckSources(args, outputFolder); !problem.empty()) return ReportError(problem);

  QueueDispatch dispatch;
  writer::TFileWriterFactory writers;
  image::VOVIRavadeZer engine(dispatch, writers);
  if (auto cache = engine.SetCacheSize(args.CacheMiB); !cache) return ReportError(cache.GetError().Text);
  engine.SetJolietFileSystem(args.Joliet);
  engine.SetISO9660v1999FS(args.Iso1999);
  engine.SetUDFBridge(args.Udf);
  engine.ClearAll();
  if (!args.BootImage.empty()) {
    engine.SetBootImage(args.BootImage);
    if (engine.BootImage().empty())
      return ReportError("cannot use " + args.BootImage +
                         " as a boot image: it must be readable and of 2048 (no emulation), 1228800, 1474560 or "
                         "2949120 bytes (diskettes)");
  }

  image::TScanTotals totals;
  const image::TScanLog log = [](const std::string& line) { std::cerr << "velmarond-cli: " << line << '\n'; };
  for (const std::string& path : args.Paths) {
    if (auto added = image::AddSource(engine.Table(), engine.Table().Root(), path, totals, log); !added)
      return ReportError(added.GetError().Text);
  }
  if (!args.Volume.empty()) engine.SetVolumeID(args.Volume);
  if (auto prepared = engine.PrepareImage(); !prepared) return ReportError(prepared.GetError().Text);

  TemporaryImage temporary(outputFolder);
  if (!temporary.Created()) return ReportError("cannot write in " + outputFolder + ": " + std::strerror(errno));
  std::optional<bool> failed;
  engine.OnWriteDone = [&failed](image::VOVIRavadeZer&, std::uint8_t, bool writeFailed) { failed = writeFailed; };

  SignalGuard signals;
  if (!engine.SaveImageFile(temporary.Name())) return ReportError(engine.LastErrorText());
  ProgressBar bar("iso");
  const std::uint64_t total = std::uint64_t{engine.ImageSectors()} * 2048;
  while (!failed) {
    dispatch.DrainFor(std::chrono::milliseconds(100));
    if (Interrupted && engine.Busy()) engine.Abort();
    bar.Update(std::uint64_t{engine.SectorsWritten()} * 2048, total);
  }
  bar.Finish();
  if (*failed) return ReportError(engine.LastErrorText());
  if (!temporary.MoveTo(args.Output)) return ReportError("cannot write " + args.Output + ": " + std::strerror(errno));
  std::cout << args.Output << ": " << totals.Files << " files, " << totals.Directories << " folders; volume size "
            << engine.ImageSectors() << " sectors (" << (total >> 20) << " MiB)\n";
  return ExitSuccess;
}

const CliRegistration isoVerb{{"iso", "build an ISO image file from files and folders", Usage, Run}};

}  // namespace
}  // namespace velmarond::cli
