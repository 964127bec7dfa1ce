// SET CD SPEED, SET STREAMING, GET PERFORMANCE and READ BUFFER CAPACITY.

#include <array>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

std::uint32_t CurrentWriteKBps(const RecorderState& state) {
  const std::uint32_t limit = EffectiveWriteKBps(state);
  if (limit != 0) return limit;
  return state.SelectedWriteKBps ? state.SelectedWriteKBps : 22160;
}

}  // namespace

Reply SetCdSpeed(RecorderState& state, const Command& command) {
  const std::uint16_t read = Get16(command.Cdb, 2);
  const std::uint16_t write = Get16(command.Cdb, 4);
  state.SelectedReadKBps = read == 0xFFFF ? 0 : read;
  state.SelectedWriteKBps = write == 0xFFFF ? 0 : write;
  return Reply::Good();
}

Reply SetStreaming(RecorderState& state, const Command& command) {
  if (command.At(8) != 0) return Reply::Check(sense::InvalidFieldInCdb);  // performance descriptors only
  const std::size_t length = Get16(command.Cdb, 9);
  if (length < 28 || !HasParameterData(command, 28)) return Reply::Check(sense::ParameterListLengthError);
  const auto descriptor = command.Data.first(28);
  const std::uint32_t writeSize = Get32(descriptor, 20), writeTime = Get32(descriptor, 24);
  const std::uint32_t readTime = Get32(descriptor, 16);
  if (writeTime == 0 || readTime == 0 || Get32(descriptor, 4) > Get32(descriptor, 8))
    return Reply::Check(sense::InvalidFieldInParameterList);
  state.SelectedWriteKBps = std::uint32_t(std::uint64_t(writeSize) * 1000 / writeTime);
  state.SelectedReadKBps = std::uint32_t(std::uint64_t(Get32(descriptor, 12)) * 1000 / readTime);
  return Reply::Good();
}

Reply GetPerformance(RecorderState& state, const Command& command) {
  const std::uint8_t type = command.At(10);
  const std::int64_t end = state.Disc ? std::max<std::int64_t>(1, state.Disc->Capacity) - 1 : 0;
  std::vector<std::uint8_t> out(8, 0);
  auto add16 = [&](std::array<std::uint32_t, 4> fields) {
    const std::size_t at = out.size();
    out.resize(at + 16);
    for (std::size_t i = 0; i < 4; ++i) Put32(out, at + 4 * i, fields[i]);
  };
  const std::uint32_t speed = CurrentWriteKBps(state);
  if (type == 0x00) {
    if (command.At(1) & 0x04) out[4] = 0x02;  // write performance
    add16({0, speed, std::uint32_t(end), speed});
  } else if (type == 0x03) {
    for (std::uint32_t each : {speed, speed / 2}) add16({0, std::uint32_t(end), each, each});
  } else {
    return Reply::Check(sense::InvalidFieldInCdb);
  }
  Put32(out, 0, std::uint32_t(out.size() - 4));
  return DataIn(command, out, std::size_t(Get16(command.Cdb, 8)) * 16 + 8);
}

Reply ReadBufferCapacity(RecorderState& state, const Command& command) {
  DrainBuffer(state);
  const std::int64_t size = std::int64_t(state.Drive.BufferKiB) * 1024;
  std::array<std::uint8_t, 12> data{};
  Put16(data, 0, 10);
  if (command.At(1) & 0x01) {  // in blocks
    data[3] = 0x00;
    Put32(data, 8, std::uint32_t((size - state.BufferFill) / 2048));
  } else {
    Put32(data, 4, std::uint32_t(size));
    Put32(data, 8, std::uint32_t(size - state.BufferFill));
  }
  return DataIn(command, data, Get16(command.Cdb, 7));
}

}  // namespace velmarond::vrec
