#pragma once
// The ASPI-style request blocks both device layers build. The execute block keeps the documented
// 32-bit offsets byte for byte; on a 64-bit host the whole buffer address does not fit its 4-byte
// field, so the Linux form of the interface also carries it in the reserved bytes at offset 28, and
// the completion event is an eventfd descriptor (signalled by writing a count to it).

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace velmarond::device {

static_assert(std::endian::native == std::endian::little,
              "the ASPI-style block stores its data length little-endian in host order");

namespace SrbCommand {
inline constexpr std::uint8_t HostAdapterInquiry = 0x00;
inline constexpr std::uint8_t GetDeviceType = 0x01;
inline constexpr std::uint8_t ExecuteScsi = 0x02;
inline constexpr std::uint8_t AbortScsi = 0x03;
inline constexpr std::uint8_t GetDiskInfo = 0x06;
}  // namespace SrbCommand

namespace SrbStatus {
inline constexpr std::uint8_t Pending = 0x00;
inline constexpr std::uint8_t Complete = 0x01;
inline constexpr std::uint8_t Aborted = 0x02;
inline constexpr std::uint8_t AbortFailed = 0x03;
inline constexpr std::uint8_t Error = 0x04;
inline constexpr std::uint8_t InvalidRequest = 0x80;
inline constexpr std::uint8_t InvalidHostAdapter = 0x81;
inline constexpr std::uint8_t NoDevice = 0x82;
inline constexpr std::uint8_t InvalidSrb = 0xE0;
inline constexpr std::uint8_t BufferAlignment = 0xE1;
inline constexpr std::uint8_t NoTransportOrDrive = 0xE2;
inline constexpr std::uint8_t AspiBusy = 0xE5;
inline constexpr std::uint8_t BufferTooBig = 0xE6;
}  // namespace SrbStatus

namespace SrbFlags {
inline constexpr std::uint8_t DataIn = 0x08;
inline constexpr std::uint8_t DataOut = 0x10;
inline constexpr std::uint8_t EventNotify = 0x40;
inline constexpr std::uint8_t In = DataIn | EventNotify;    // 48h
inline constexpr std::uint8_t Out = DataOut | EventNotify;  // 50h
inline constexpr std::uint8_t None = EventNotify;           // 40h
}  // namespace SrbFlags

namespace HostAdapterStatus {
inline constexpr std::uint8_t Ok = 0x00;
inline constexpr std::uint8_t CommandTimeout = 0x09;
inline constexpr std::uint8_t SrbTimeout = 0x0B;
inline constexpr std::uint8_t MessageReject = 0x0D;
inline constexpr std::uint8_t BusReset = 0x0E;
inline constexpr std::uint8_t ParityError = 0x0F;
inline constexpr std::uint8_t RequestSenseFailed = 0x10;
inline constexpr std::uint8_t SelectionTimeout = 0x11;
inline constexpr std::uint8_t DataOverrun = 0x12;
inline constexpr std::uint8_t UnexpectedBusFree = 0x13;
}  // namespace HostAdapterStatus

namespace TargetStatus {
inline constexpr std::uint8_t Good = 0x00;
inline constexpr std::uint8_t CheckCondition = 0x02;
inline constexpr std::uint8_t Busy = 0x08;
inline constexpr std::uint8_t ReservationConflict = 0x18;
inline constexpr std::uint8_t QueueFull = 0x28;
}  // namespace TargetStatus

#pragma pack(push, 1)

// Bytes 0..7, common to every block kind; the command code says which kind follows.
struct SrbHeader {
  std::uint8_t Command = 0;      // 0
  std::uint8_t Status = 0;       // 1
  std::uint8_t HostAdapter = 0;  // 2
  std::uint8_t Flags = 0;        // 3
  std::uint8_t Reserved4[4]{};   // 4
};
static_assert(sizeof(SrbHeader) == 8);

// Execute a SCSI command (code 2). SenseBytes is 33 in the TSCSIDevice component (97-byte block)
// and 32 in the data engine (96-byte block).
template <std::size_t SenseBytes>
struct ExecScsiBlock {
  SrbHeader Header;                     // 0
  std::uint8_t Target = 0;              // 8
  std::uint8_t Lun = 0;                 // 9
  std::uint8_t Reserved10[2]{};         // 10
  std::uint32_t DataLength = 0;         // 12, little-endian
  std::uint32_t DataAddressLow = 0;     // 16, low 32 bits of the buffer address
  std::uint8_t SenseLength = 0;         // 20, always 24 when sent
  std::uint8_t CdbLength = 0;           // 21
  std::uint8_t HostStatus = 0;          // 22
  std::uint8_t TargetStatus = 0;        // 23
  std::int32_t CompletionEvent = 0;     // 24, eventfd when flag 40h is used
  std::uint64_t DataAddress = 0;        // 28, the whole buffer address (reserved area)
  std::uint8_t Reserved36[12]{};        // 36
  std::uint8_t Cdb[16]{};               // 48
  std::uint8_t Sense[SenseBytes]{};     // 64

  std::uint8_t* Buffer() const { return reinterpret_cast<std::uint8_t*>(DataAddress); }
  void SetBuffer(void* data, std::uint32_t length) {
    DataAddress = reinterpret_cast<std::uintptr_t>(data);
    DataAddressLow = static_cast<std::uint32_t>(DataAddress);
    DataLength = length;
  }
  std::uint8_t Opcode() const { return Cdb[0]; }
};

using CommandBlock = ExecScsiBlock<33>;
using EngineCommandBlock = ExecScsiBlock<32>;
static_assert(sizeof(CommandBlock) == 97);
static_assert(sizeof(EngineCommandBlock) == 96);
static_assert(offsetof(CommandBlock, DataLength) == 12);
static_assert(offsetof(CommandBlock, SenseLength) == 20);
static_assert(offsetof(CommandBlock, CompletionEvent) == 24);
static_assert(offsetof(CommandBlock, Cdb) == 48);
static_assert(offsetof(CommandBlock, Sense) == 64);

// Host adapter inquiry (code 0).
struct HostAdapterInquiryBlock {
  SrbHeader Header;                  // 0
  std::uint8_t AdapterCount = 0;     // 8
  std::uint8_t HostScsiId = 0;       // 9
  char ManagerId[16]{};              // 10
  char AdapterId[16]{};              // 26
  std::uint16_t AlignmentMask = 0;   // 42 (start of the adapter-unique bytes)
  std::uint8_t UniqueFlags = 0;      // 44
  std::uint8_t MaxTargets = 0;       // 45
  std::uint32_t MaxTransfer = 0;     // 46
  std::uint8_t UniqueRest[8]{};      // 50
  std::uint8_t Reserved58[2]{};      // 58
};
static_assert(sizeof(HostAdapterInquiryBlock) == 60);

// Get device type (code 1).
struct DeviceTypeBlock {
  SrbHeader Header;              // 0
  std::uint8_t Target = 0;       // 8
  std::uint8_t Lun = 0;          // 9
  std::uint8_t DeviceType = 0;   // 10
  std::uint8_t Reserved11 = 0;   // 11
};
static_assert(sizeof(DeviceTypeBlock) == 12);

// Abort a pending execute block (code 3).
struct AbortBlock {
  SrbHeader Header;              // 0
  std::uint64_t PendingBlock = 0;  // 8, address of the block to abort
};
static_assert(sizeof(AbortBlock) == 16);

// Get disk information (code 6): byte 11 is the drive number (0 = A).
struct DiskInfoBlock {
  SrbHeader Header;              // 0
  std::uint8_t Target = 0;       // 8
  std::uint8_t Lun = 0;          // 9
  std::uint8_t DriveFlags = 0;   // 10
  std::uint8_t DriveNumber = 0;  // 11
  std::uint8_t Reserved12[8]{};  // 12
};
static_assert(sizeof(DiskInfoBlock) == 20);

#pragma pack(pop)

}  // namespace velmarond::device
