#pragma once
// CRC-32 as used by zlib and PNG (reflected polynomial EDB88320h), for the table container's checksum.

#include <QByteArrayView>
#include <cstdint>

namespace velmarond::app {

std::uint32_t Crc32(QByteArrayView bytes);

}  // namespace velmarond::app
