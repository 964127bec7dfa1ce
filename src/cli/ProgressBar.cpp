#include "cli/ProgressBar.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace velmarond::cli {

ProgressBar::ProgressBar(std::string label)
    : Label(std::move(label)), Terminal(::isatty(STDERR_FILENO) != 0), Started(std::chrono::steady_clock::now()) {}

std::string ProgressBar::Render(std::uint64_t done, std::uint64_t total) const {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
  const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const double mib = static_cast<double>(done) / (1 << 20);
  const double rate = seconds > 0 ? mib / seconds : 0;
  char text[160];
  if (Terminal) {
    constexpr int width = 30;
    std::string bar(static_cast<std::size_t>(fraction * width), '#');
    bar.resize(width, '.');
    std::snprintf(text, sizeof text, "\r%s [%s] %3d%%  %.1f / %.1f MiB  %.1f MiB/s ", Label.c_str(), bar.c_str(),
                  static_cast<int>(fraction * 100), mib, static_cast<double>(total) / (1 << 20), rate);
  } else {
    std::snprintf(text, sizeof text, "%s %d%% %.1f MiB %.1f MiB/s\n", Label.c_str(), static_cast<int>(fraction * 100),
                  mib, rate);
  }
  return text;
}

void ProgressBar::Update(std::uint64_t done, std::uint64_t total) {
  const auto now = std::chrono::steady_clock::now();
  if (Terminal) {
    if (now - LastDrawn < std::chrono::milliseconds(200) && done < total) return;
    LastDrawn = now;
    std::cerr << Render(done, total) << std::flush;
    return;
  }
  // Plain output: one line per tenth, so logs stay short.
  const int tenth = total == 0 ? 10 : static_cast<int>(done * 10 / total);
  if (tenth == LastPercentLine) return;
  LastPercentLine = tenth;
  std::cerr << Render(done, total);
}

void ProgressBar::Finish() {
  if (Terminal) std::cerr << "\r\033[K" << std::flush;
}

}  // namespace velmarond::cli
