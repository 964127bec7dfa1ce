#include "vrec/VirtualRecorder.h"

#include <array>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"
#include "vrec/Persistence.h"

namespace velmarond::vrec {
namespace {

Clock& DefaultClock() {
  static SystemClock clock;
  return clock;
}

struct Entry {
  std::uint8_t Opcode;
  Handler Run;
  bool AllowedWhileBusy;  // answered even while a long operation runs
};

constexpr std::array<Entry, 36> Commands{{
    {0x00, TestUnitReady, false},        {0x03, RequestSense, true},
    {0x04, FormatUnit, false},           {0x12, Inquiry, true},
    {0x1B, StartStopUnit, false},        {0x1E, PreventAllowRemoval, true},
    {0x23, ReadFormatCapacities, false}, {0x25, ReadCapacity, false},
    {0x28, Read10, false},               {0x2A, Write10, false},
    {0x35, SynchronizeCache, false},     {0x43, ReadToc, false},
    {0x46, GetConfiguration, true},      {0x4A, GetEventStatusNotification, true},
    {0x51, ReadDiscInformation, false},  {0x52, ReadTrackInformation, false},
    {0x53, ReserveTrack, false},         {0x54, SendOpcInformation, false},
    {0x55, ModeSelect10, false},         {0x5A, ModeSense10, true},
    {0x5B, CloseTrackSession, false},    {0x5C, ReadBufferCapacity, true},
    {0x5D, SendCueSheet, false},         {0xA1, Blank, false},
    {0xA8, Read12, false},               {0xAA, Write12, false},
    {0xAC, GetPerformance, true},        {0xAD, ReadDvdStructure, false},
    {0xB6, SetStreaming, false},         {0xBB, SetCdSpeed, false},
    {0xBD, MechanismStatus, true},       {0xBE, ReadCd, false},
    {0xBF, SendDvdStructure, false},     {0x01, TestUnitReady, false},  // REZERO UNIT: nothing to seek
    {0x2B, TestUnitReady, false},        // SEEK (10)
    {0xA7, TestUnitReady, false},        // SET READ AHEAD
}};

std::size_t CdbLength(std::uint8_t opcode) {
  switch (opcode >> 5) {
    case 0: return 6;
    case 1: case 2: return 10;
    case 4: return 16;
    case 5: return 12;
    default: return 10;
  }
}

// The LBA range a command touches, for faults that select by address.
std::optional<std::int64_t> CommandLba(const Command& c, std::int64_t& blocks) {
  switch (c.Opcode()) {
    case 0x28: case 0x2A: blocks = Get16(c.Cdb, 7); return std::int32_t(Get32(c.Cdb, 2));
    case 0xA8: case 0xAA: blocks = Get32(c.Cdb, 6); return std::int32_t(Get32(c.Cdb, 2));
    case 0xBE: blocks = Get24(c.Cdb, 6); return std::int32_t(Get32(c.Cdb, 2));
    default: blocks = 0; return std::nullopt;
  }
}

}  // namespace

VirtualRecorder::VirtualRecorder(DriveDescription drive, Clock* clock) {
  Current.Drive = std::move(drive);
  Current.Time = clock ? clock : &DefaultClock();
  Current.BufferDrainedAtMs = Current.Time->NowMs();
  ResetWriteParameters(Current);
}

std::optional<Reply> VirtualRecorder::InjectFault(const Command& command) {
  std::int64_t blocks = 0;
  const auto lba = CommandLba(command, blocks);
  FaultRule* rule = MatchFault(Current.Faults, command.Opcode(), lba, blocks);
  if (rule == nullptr) return std::nullopt;
  switch (rule->Action) {
    case FaultAction::CheckCondition: return Reply::Check(rule->Sense);
    case FaultAction::Busy: return Reply{StatusBusy, {}, {}, 0, false};
    case FaultAction::Timeout: {
      Reply reply;
      reply.TimedOut = true;
      return reply;
    }
    case FaultAction::RemoveMedium:
      Current.Disc.reset();
      Current.CueSheet.clear();
      Current.SectorsDirty = true;
      return std::nullopt;  // the command then runs against the empty drive
  }
  return std::nullopt;
}

Reply VirtualRecorder::Run(const Command& command) {
  if (command.Cdb.empty() || command.Cdb.size() < CdbLength(command.Opcode()))
    return Reply::Check(sense::InvalidFieldInCdb);
  if (auto fault = InjectFault(command)) return *fault;
  for (const Entry& entry : Commands) {
    if (entry.Opcode != command.Opcode() || entry.Run == nullptr) continue;
    if (!entry.AllowedWhileBusy) {
      if (auto running = RunningOperation(Current)) {
        const std::int64_t span = std::max<std::int64_t>(1, running->EndMs - running->StartMs);
        const std::int64_t done = Current.Time->NowMs() - running->StartMs;
        return Reply::Check(running->Code, static_cast<std::uint16_t>(std::min<std::int64_t>(65535, done * 65536 / span)));
      }
    }
    return entry.Run(Current, command);
  }
  return Reply::Check(sense::InvalidOpcode);
}

device::PassThroughResult VirtualRecorder::Execute(std::span<const std::uint8_t> cdb, device::DataDirection direction,
                                                   std::span<std::uint8_t> data, std::uint32_t timeoutMs) {
  std::lock_guard guard(Lock);
  const Command command{cdb, direction, data, timeoutMs};
  const Reply reply = Run(command);
  device::PassThroughResult result;
  result.CallSucceeded = true;
  if (reply.TimedOut) {
    result.TimedOut = true;
    result.HostStatus = 0x03;  // the command did not complete in time
    result.Residual = static_cast<std::uint32_t>(data.size());
    return result;
  }
  result.ScsiStatus = reply.Status;
  result.Residual = static_cast<std::uint32_t>(data.size() - std::min(data.size(), reply.Transferred));
  if (reply.Sense) {
    const auto bytes = BuildFixedSense(*reply.Sense, reply.Progress);
    std::copy(bytes.begin(), bytes.end(), result.Sense.begin());
    result.SenseLength = FixedSenseLength;
  }
  return result;
}

}  // namespace velmarond::vrec

namespace velmarond::vrec {

Result<std::unique_ptr<VirtualRecorder>> VirtualRecorder::Load(const std::string& folder, Clock* clock) {
  std::uint64_t generation = 0;
  auto state = LoadRecorderState(folder, generation);
  if (!state) return state.GetError();
  auto recorder = std::make_unique<VirtualRecorder>(state->Drive, clock);
  Clock* time = recorder->Current.Time;
  recorder->Current = std::move(*state);
  recorder->Current.Time = time;
  recorder->Current.SectorsDirty = false;
  recorder->Home = folder;
  recorder->SectorsGeneration = generation;
  return recorder;
}

Result<void> VirtualRecorder::Save() {
  std::lock_guard guard(Lock);
  if (Home.empty()) return MakeError("this virtual recorder has no folder");
  if (auto saved = SaveRecorderState(Home, Current, SectorsGeneration); !saved) return saved;
  Current.SectorsDirty = false;
  return {};
}

}  // namespace velmarond::vrec
