// velmarond-cli: the terminal front end over the engines.

#include <algorithm>
#include <iostream>

#include "cli/CliCommand.h"

namespace velmarond::cli {

CliRegistry& CliRegistry::Instance() {
  static CliRegistry registry;
  return registry;
}

void CliRegistry::Add(CliCommand command) {
  Entries.push_back(std::move(command));
  std::sort(Entries.begin(), Entries.end(),
            [](const CliCommand& a, const CliCommand& b) { return a.Name < b.Name; });
}

const CliCommand* CliRegistry::Find(std::string_view name) const {
  for (const auto& entry : Entries) {
    if (entry.Name == name) return &entry;
  }
  return nullptr;
}

int ReportError(std::string_view message) {
  std::cerr << "velmarond-cli: " << message << '\n';
  return ExitFailure;
}

int ReportUsage(const CliCommand& command, std::string_view problem) {
  if (!problem.empty()) std::cerr << "velmarond-cli " << command.Name << ": " << problem << '\n';
  std::cerr << "usage: velmarond-cli " << command.Usage << '\n';
  return ExitUsage;
}

namespace {

void PrintOverview(std::ostream& out) {
  out << "usage: velmarond-cli VERB [ARGS...]\n\nverbs:\n";
  std::size_t column = 0;
  for (const auto& command : CliRegistry::Instance().Commands()) column = std::max(column, command.Name.size());
  for (const auto& command : CliRegistry::Instance().Commands()) {
    out << "  " << command.Name;
    for (std::size_t pad = command.Name.size(); pad < column + 2; ++pad) out << ' ';
    out << command.Summary << '\n';
  }
  out << "\n\"velmarond-cli help VERB\" shows a verb's arguments.\n";
}

int RunHelp(const std::vector<std::string>& args) {
  if (args.empty()) {
    PrintOverview(std::cout);
    return ExitSuccess;
  }
  const CliCommand* command = CliRegistry::Instance().Find(args.front());
  if (command == nullptr) return ReportError("unknown verb \"" + args.front() + "\"");
  std::cout << "usage: velmarond-cli " << command->Usage << '\n';
  return ExitSuccess;
}

const CliRegistration helpVerb{{"help", "show the verbs, or one verb's arguments", "help [VERB]", RunHelp}};

}  // namespace
}  // namespace velmarond::cli

int main(int argc, char** argv) {
  using namespace velmarond::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args.front() == "--help" || args.front() == "-h") {
    PrintOverview(args.empty() ? std::cerr : std::cout);
    return args.empty() ? ExitUsage : ExitSuccess;
  }
  const CliCommand* command = CliRegistry::Instance().Find(args.front());
  if (command == nullptr) {
    ReportError("unknown verb \"" + args.front() + "\" (try \"velmarond-cli help\")");
    return ExitUsage;
  }
  args.erase(args.begin());
  try {
    return command->Run(args);
  } catch (const std::exception& e) {
    return ReportError(e.what());
  }
}
