#pragma once
// Progress of a long operation on stderr: a bar redrawn in place on a terminal, plain lines otherwise.

#include <chrono>
#include <cstdint>
#include <string>

namespace velmarond::cli {

class ProgressBar {
 public:
  explicit ProgressBar(std::string label);
  // `done` and `total` in bytes; redraws at most a few times a second.
  void Update(std::uint64_t done, std::uint64_t total);
  // Clears the bar line on a terminal.
  void Finish();

 private:
  std::string Render(std::uint64_t done, std::uint64_t total) const;

  std::string Label;
  bool Terminal;
  std::chrono::steady_clock::time_point Started;
  std::chrono::steady_clock::time_point LastDrawn;
  int LastPercentLine = -1;
};

}  // namespace velmarond::cli
