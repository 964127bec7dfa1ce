// A small ASPI-style library for the tests of the library transport: one optical drive at 0:0:0
// whose commands complete later on a thread of their own, and a drive at 0:1:0 that never answers.

#include <sys/eventfd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "device/CommandBlock.h"

using namespace velmarond::device;

namespace {
std::atomic<int> Aborts{0};
}

extern "C" {

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo() { return 0x0101; }

__attribute__((visibility("default"))) int FakeAspiAborts() { return Aborts.load(); }

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* raw) {
  auto* header = static_cast<SrbHeader*>(raw);
  if (header->Command == SrbCommand::HostAdapterInquiry) {
    auto* block = static_cast<HostAdapterInquiryBlock*>(raw);
    block->AdapterCount = 1;
    return header->Status = SrbStatus::Complete;
  }
  if (header->Command == SrbCommand::AbortScsi) {
    ++Aborts;
    return header->Status = SrbStatus::Complete;
  }
  if (header->Command != SrbCommand::ExecuteScsi) return header->Status = SrbStatus::Error;
  auto* block = static_cast<CommandBlock*>(raw);
  if (header->HostAdapter != 0 || block->Lun != 0 || block->Target > 1) return header->Status = SrbStatus::NoDevice;
  header->Status = SrbStatus::Pending;
  if (block->Target == 1) return SrbStatus::Pending;  // lost: never completes
  std::thread([block] {
    if (block->Cdb[0] == 0x12 && block->Buffer() != nullptr) {
      std::memset(block->Buffer(), 0, block->DataLength);
      block->Buffer()[0] = 5;
      std::memcpy(block->Buffer() + 8, "FAKEASPIDRIVE           0.01", 28);
    }
    std::atomic_ref<std::uint8_t>(block->Header.Status).store(SrbStatus::Complete);
    if (block->CompletionEvent > 0) ::eventfd_write(block->CompletionEvent, 1);
  }).detach();
  return SrbStatus::Pending;
}

}
