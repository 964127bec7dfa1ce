#pragma once
// The verbs of velmarond-cli. Each verb lives in a source file of its own and registers itself here,
// so adding a verb never touches another verb's file.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmarond::cli {

// Exit codes: 0 only on success.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

struct CliCommand {
  std::string Name;
  std::string Summary;  // one line for the overview
  std::string Usage;    // shown by "velmarond-cli help VERB" and on a usage error
  // Receives the arguments after the verb.
  std::function<int(const std::vector<std::string>& args)> Run;
};

class CliRegistry {
 public:
  static CliRegistry& Instance();
  void Add(CliCommand command);
  const CliCommand* Find(std::string_view name) const;
  const std::vector<CliCommand>& Commands() const { return Entries; }

 private:
  std::vector<CliCommand> Entries;
};

// Used at namespace scope in a verb's source file: static const CliRegistration reg{{...}};
struct CliRegistration {
  explicit CliRegistration(CliCommand command) { CliRegistry::Instance().Add(std::move(command)); }
};

// One clear line on stderr, prefixed with the program name; returns ExitFailure.
int ReportError(std::string_view message);
// The verb's usage on stderr; returns ExitUsage.
int ReportUsage(const CliCommand& command, std::string_view problem = {});

}  // namespace velmarond::cli
