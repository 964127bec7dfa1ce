#pragma once
// Runs the CLI and the independent-reader checker (check_iso.py) from a test.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace velmarond::image::testing {

inline std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a command, returns its exit status and output.
inline int RunCommand(const std::string& command, std::string& output) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline const std::string Cli = std::string(VELMAROND_BINARY_DIR) + "/src/cli/velmarond-cli";
inline const std::string Checker = std::string(VELMAROND_SOURCE_DIR) + "/tests/image/check_iso.py";

inline void ExpectReadersAgree(const std::filesystem::path& iso, const std::filesystem::path& sources,
                               const std::string& flags) {
  std::string output;
  const int status = RunCommand("/usr/bin/python3 " + Quote(Checker) + " " + Quote(iso) + " " + Quote(sources) + " " + flags, output);
  EXPECT_EQ(status, 0) << output;
}

}  // namespace velmarond::image::testing
