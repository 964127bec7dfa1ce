#pragma once
// Sense codes the recorder answers with, and the fixed-format sense data it returns.

#include <array>
#include <cstdint>
#include <optional>

namespace velmarond::vrec {

struct SenseCode {
  std::uint8_t Key = 0, Asc = 0, Ascq = 0;
  friend bool operator==(const SenseCode&, const SenseCode&) = default;
};

namespace sense {
inline constexpr SenseCode NoSense{0x0, 0x00, 0x00};
inline constexpr SenseCode BecomingReady{0x2, 0x04, 0x01};
inline constexpr SenseCode FormatInProgress{0x2, 0x04, 0x04};
inline constexpr SenseCode OperationInProgress{0x2, 0x04, 0x07};
inline constexpr SenseCode LongWriteInProgress{0x2, 0x04, 0x08};
inline constexpr SenseCode NoMediumTrayClosed{0x2, 0x3A, 0x01};
inline constexpr SenseCode NoMediumTrayOpen{0x2, 0x3A, 0x02};
inline constexpr SenseCode InvalidOpcode{0x5, 0x20, 0x00};
inline constexpr SenseCode LbaOutOfRange{0x5, 0x21, 0x00};
inline constexpr SenseCode InvalidAddressForWrite{0x5, 0x21, 0x02};
inline constexpr SenseCode InvalidFieldInCdb{0x5, 0x24, 0x00};
inline constexpr SenseCode ParameterListLengthError{0x5, 0x1A, 0x00};
inline constexpr SenseCode InvalidFieldInParameterList{0x5, 0x26, 0x00};
inline constexpr SenseCode CommandSequenceError{0x5, 0x2C, 0x00};
inline constexpr SenseCode EmptyProgramArea{0x5, 0x2C, 0x04};
inline constexpr SenseCode IncompatibleMediumCannotRead{0x5, 0x30, 0x02};
inline constexpr SenseCode CannotWriteIncompatibleFormat{0x5, 0x30, 0x05};
inline constexpr SenseCode SavingParametersNotSupported{0x5, 0x39, 0x00};
inline constexpr SenseCode RemovalPrevented{0x5, 0x53, 0x02};
inline constexpr SenseCode IllegalModeForTrack{0x5, 0x64, 0x00};
inline constexpr SenseCode MediumMayHaveChanged{0x6, 0x28, 0x00};
}  // namespace sense

inline constexpr std::size_t FixedSenseLength = 18;

// Fixed-format (70h) sense; progress (0..65535) goes into the sense-key-specific bytes.
std::array<std::uint8_t, FixedSenseLength> BuildFixedSense(SenseCode code,
                                                           std::optional<std::uint16_t> progress = {});

}  // namespace velmarond::vrec
