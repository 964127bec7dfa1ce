#include "device/AspiLibrary.h"

#include <dlfcn.h>

namespace velmarond::device {

std::unique_ptr<AspiLibrary> AspiLibrary::Load(const std::string& path) {
  if (path.empty()) return nullptr;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  auto supportInfo = reinterpret_cast<SupportInfoFunction>(::dlsym(handle, "GetASPI32SupportInfo"));
  auto send = reinterpret_cast<SendCommandFunction>(::dlsym(handle, "SendASPI32Command"));
  if (supportInfo == nullptr || send == nullptr) {
    ::dlclose(handle);
    return nullptr;
  }
  return std::unique_ptr<AspiLibrary>(new AspiLibrary(handle, supportInfo, send));
}

AspiLibrary::AspiLibrary(void* handle, SupportInfoFunction supportInfo, SendCommandFunction send)
    : Handle(handle), SupportInfo(supportInfo), Send(send) {}

AspiLibrary::~AspiLibrary() { ::dlclose(Handle); }

std::uint32_t AspiLibrary::GetSupportInfo() { return SupportInfo(); }

std::uint32_t AspiLibrary::SendCommand(void* block) { return Send(block); }

}  // namespace velmarond::device
