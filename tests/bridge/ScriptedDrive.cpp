// A drive with no medium behind the preload bridge, for checking the interposition layer against real
// programs independently of the virtual recorder: it answers INQUIRY and reports "medium not present"
// to everything else a program asks first, and refuses the rest as a drive refuses an unknown opcode.

#include <algorithm>
#include <cstring>

#include "BridgeDevice.h"

namespace velmarond::bridge {
namespace {

ScsiReply Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  ScsiReply reply;
  reply.Status = 0x02;
  reply.Sense.assign(18, 0);
  reply.Sense[0] = 0x70;
  reply.Sense[2] = key;
  reply.Sense[7] = 10;
  reply.Sense[12] = asc;
  reply.Sense[13] = ascq;
  return reply;
}

class EmptyDrive : public BridgeDevice {
 public:
  ScsiReply Execute(std::span<const std::uint8_t> cdb, device::DataDirection, std::span<std::uint8_t> data,
                    std::uint32_t) override {
    switch (cdb[0]) {
      case 0x12: return Inquiry(data);
      case 0x00:
      case 0x25:
      case 0x43:
      case 0x51: return Sense(0x02, 0x3A, 0x01);
      case 0x03: return RequestSense(data);
      case 0x1E:
      case 0x1B:
      case 0xBB: return {};
      default: return Sense(0x05, 0x20, 0x00);
    }
  }
  Result<void> Save() override { return {}; }

 private:
  static ScsiReply Inquiry(std::span<std::uint8_t> data) {
    std::uint8_t reply[36] = {0x05, 0x80, 0x05, 0x32, 31};
    std::memcpy(reply + 8, "VELMAROND", 8);
    std::memcpy(reply + 16, "SCRIPTED DRIVE  ", 16);
    std::memcpy(reply + 32, "0.1 ", 4);
    return Copy(data, reply, sizeof reply);
  }
  static ScsiReply RequestSense(std::span<std::uint8_t> data) {
    const ScsiReply sense = Sense(0x02, 0x3A, 0x01);
    return Copy(data, sense.Sense.data(), sense.Sense.size());
  }
  static ScsiReply Copy(std::span<std::uint8_t> data, const std::uint8_t* bytes, std::size_t size) {
    const std::size_t n = std::min(size, data.size());
    std::memcpy(data.data(), bytes, n);
    ScsiReply reply;
    reply.Residual = static_cast<std::uint32_t>(data.size() - n);
    return reply;
  }
};

}  // namespace

Result<std::unique_ptr<BridgeDevice>> OpenRecorderDevice(const std::string&) {
  return std::unique_ptr<BridgeDevice>(std::make_unique<EmptyDrive>());
}

}  // namespace velmarond::bridge
