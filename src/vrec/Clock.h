#pragma once
// Time as the recorder sees it. The system clock for real use (wall-clock milliseconds, so a long
// operation started by one process is still running when another opens the folder); tests pass a
// manual clock so that progress is observed without waiting.

#include <chrono>
#include <cstdint>
#include <thread>

namespace velmarond::vrec {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMs() = 0;
  virtual void SleepMs(std::int64_t ms) = 0;
};

class SystemClock final : public Clock {
 public:
  std::int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  }
  void SleepMs(std::int64_t ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

class ManualClock final : public Clock {
 public:
  std::int64_t NowMs() override { return Now; }
  void SleepMs(std::int64_t ms) override { Now += ms > 0 ? ms : 0; }
  void Advance(std::int64_t ms) { Now += ms; }

 private:
  std::int64_t Now = 1'000'000;
};

}  // namespace velmarond::vrec
