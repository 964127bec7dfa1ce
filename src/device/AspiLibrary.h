#pragma once
// An external ASPI-style library loaded by path with dlopen. It exports
//   uint32_t GetASPI32SupportInfo(void);
//   uint32_t SendASPI32Command(void* block);
// with the block layouts of CommandBlock.h; a pending execute block completes later and signals
// the eventfd in its event field.

#include <memory>
#include <string>

#include "device/AspiTransport.h"

namespace velmarond::device {

class AspiLibrary final : public AspiTransport {
 public:
  // None when the library cannot be loaded or lacks an entry point.
  static std::unique_ptr<AspiLibrary> Load(const std::string& path);
  ~AspiLibrary() override;
  AspiLibrary(const AspiLibrary&) = delete;
  AspiLibrary& operator=(const AspiLibrary&) = delete;

  std::string Name() const override { return "WNASPI32.DLL"; }
  std::uint32_t GetSupportInfo() override;
  std::uint32_t SendCommand(void* block) override;

 private:
  using SupportInfoFunction = std::uint32_t (*)();
  using SendCommandFunction = std::uint32_t (*)(void*);
  AspiLibrary(void* handle, SupportInfoFunction supportInfo, SendCommandFunction send);

  void* Handle;
  SupportInfoFunction SupportInfo;
  SendCommandFunction Send;
};

}  // namespace velmarond::device
