// The bridged device backed by a virtual recorder folder.

#include <memory>

#include "BridgeDevice.h"
#include "vrec/VirtualRecorder.h"

namespace velmarond::bridge {
namespace {

class RecorderDevice : public BridgeDevice {
 public:
  explicit RecorderDevice(std::unique_ptr<vrec::VirtualRecorder> recorder) : Recorder(std::move(recorder)) {}

  ScsiReply Execute(std::span<const std::uint8_t> cdb, device::DataDirection direction,
                    std::span<std::uint8_t> data, std::uint32_t timeoutMs) override {
    const device::PassThroughResult outcome = Recorder->Execute(cdb, direction, data, timeoutMs);
    ScsiReply reply;
    reply.Status = outcome.ScsiStatus;
    reply.Sense.assign(outcome.Sense.begin(), outcome.Sense.begin() + outcome.SenseLength);
    reply.Residual = outcome.Residual;
    reply.TimedOut = outcome.TimedOut;
    return reply;
  }

  Result<void> Save() override { return Recorder->Save(); }

 private:
  std::unique_ptr<vrec::VirtualRecorder> Recorder;
};

}  // namespace

Result<std::unique_ptr<BridgeDevice>> OpenRecorderDevice(const std::string& folder) {
  auto loaded = vrec::VirtualRecorder::Load(folder);
  if (!loaded) return loaded.GetError();
  return std::unique_ptr<BridgeDevice>(std::make_unique<RecorderDevice>(std::move(loaded.Value())));
}

}  // namespace velmarond::bridge
