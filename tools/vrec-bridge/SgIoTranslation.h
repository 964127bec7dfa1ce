#pragma once
// Turns the ioctl requests a Linux sr/sg driver answers into commands for a bridged device, so a
// burning program cannot tell the bridge from a drive behind the kernel.

#include <scsi/sg.h>

#include "BridgeDevice.h"

namespace velmarond::bridge {

// The sg driver version we claim: 3.5.27, new enough for every program's SG_IO check.
inline constexpr int ClaimedSgVersion = 30527;

// Runs the request of an SG_IO ioctl; returns 0 or a negative errno as the driver would.
int RunSgIo(BridgeDevice& device, sg_io_hdr_t& request);

// A request other than SG_IO: SG_*, SCSI_IOCTL_*, CDROM* and block-size queries. Returns the
// ioctl's return value, or a negative errno; unknown requests give -ENOTTY as a plain file would.
int RunDriveIoctl(BridgeDevice& device, unsigned minor, unsigned long request, void* argument);

// Reads count bytes at a byte offset of the medium with READ (10), as the block driver would for
// read() and pread(). Returns the bytes read; 0 at the end of the recorded area; -EIO on an error.
long ReadMedium(BridgeDevice& device, std::uint8_t* out, std::size_t count, std::uint64_t offset);

// The medium's size in bytes from READ CAPACITY, 0 when there is none.
std::uint64_t CapacityBytes(BridgeDevice& device);

}  // namespace velmarond::bridge
