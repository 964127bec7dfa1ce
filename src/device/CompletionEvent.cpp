#include "device/CompletionEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace velmarond::device {

CompletionEvent::CompletionEvent() : Descriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CompletionEvent::~CompletionEvent() {
  if (Descriptor >= 0) ::close(Descriptor);
}

void CompletionEvent::Reset() {
  eventfd_t value = 0;
  while (Descriptor >= 0 && ::eventfd_read(Descriptor, &value) == 0) {
  }
}

void CompletionEvent::Signal() {
  if (Descriptor >= 0) ::eventfd_write(Descriptor, 1);
}

bool CompletionEvent::Wait(std::uint32_t timeoutMs) {
  if (Descriptor < 0) return false;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd waiter{Descriptor, POLLIN, 0};
    const int ready = ::poll(&waiter, 1, left > 0 ? static_cast<int>(left) : 0);
    if (ready > 0) return true;  // manual reset: the count stays until Reset
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace velmarond::device
