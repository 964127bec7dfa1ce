#pragma once
// A manual-reset completion event over an eventfd: the descriptor travels in the block's event
// field, the transport signals it by writing a count, and the waiter bounds its wait.

#include <cstdint>

namespace velmarond::device {

class CompletionEvent {
 public:
  CompletionEvent();
  ~CompletionEvent();
  CompletionEvent(const CompletionEvent&) = delete;
  CompletionEvent& operator=(const CompletionEvent&) = delete;

  bool IsValid() const { return Descriptor >= 0; }
  int Handle() const { return Descriptor; }
  void Reset();
  void Signal();
  // True when signalled within timeoutMs.
  bool Wait(std::uint32_t timeoutMs);

 private:
  int Descriptor = -1;
};

}  // namespace velmarond::device
