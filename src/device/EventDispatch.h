#pragma once
// How an engine hands its completion events to the thread that owns it. Worker threads never call an
// owner's handler themselves: they post the call here, and the owner decides where it runs (the Qt
// application posts it to the GUI thread, the CLI drains a queue in its loop, tests run it at once or
// drain a queue). Header-only so that every engine can take one without linking anything.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace velmarond {

class EventDispatch {
 public:
  virtual ~EventDispatch() = default;
  // Safe to call from any thread; the event runs later on the owner's thread (or at once, see below).
  virtual void Post(std::function<void()> event) = 0;
};

// Runs every event on the posting thread, at once. For tests and for owners without a loop.
class SynchronousDispatch final : public EventDispatch {
 public:
  void Post(std::function<void()> event) override { event(); }
};

// Keeps events until the owner drains them on its own thread.
class QueueDispatch final : public EventDispatch {
 public:
  void Post(std::function<void()> event) override {
    {
      std::lock_guard lock(Guard);
      Pending.push_back(std::move(event));
    }
    Arrived.notify_one();
  }

  // Waits up to `timeout` for an event, then runs every event queued so far; returns how many ran.
  std::size_t DrainFor(std::chrono::milliseconds timeout) {
    std::deque<std::function<void()>> ready;
    {
      std::unique_lock lock(Guard);
      Arrived.wait_for(lock, timeout, [this] { return !Pending.empty(); });
      ready.swap(Pending);
    }
    for (auto& event : ready) event();
    return ready.size();
  }

  std::size_t Drain() { return DrainFor(std::chrono::milliseconds(0)); }

 private:
  std::mutex Guard;
  std::condition_variable Arrived;
  std::deque<std::function<void()>> Pending;
};

}  // namespace velmarond
