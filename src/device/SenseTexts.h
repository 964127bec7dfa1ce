#pragma once
// Turning a failed command into text: status texts, sense key texts and the additional sense
// (ASC/ASCQ) descriptions, and the LastErrorText the TSCSIDevice component builds from them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmarond::device {

enum class SenseFormat : std::uint8_t { None, Fixed, Descriptor, Other };

// Sense bytes normalised over both formats: fixed (70h/71h, with or without the VALID bit) keeps
// key, ASC and ASCQ in bytes 2, 12 and 13; descriptor format (72h/73h) in bytes 1, 2 and 3.
struct DecodedSense {
  SenseFormat Format = SenseFormat::None;
  std::uint8_t ResponseCode = 0;  // byte 0 without the VALID bit
  std::uint8_t Key = 0;
  std::uint8_t Asc = 0;
  std::uint8_t Ascq = 0;
  std::uint8_t AdditionalLength = 0;  // byte 7 in both formats
  bool Filemark = false, EndOfMedium = false, IllegalLength = false;
};

DecodedSense DecodeSense(std::span<const std::uint8_t> sense);

// Text for a block's completion, host adapter and target status ("CHECK CONDITION", "COMMAND
// TIMEOUT", "NO DEVICE", ...); empty for pending and complete blocks.
std::string_view StatusText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus);

// The sense key's text; empty for keys 9 and 0Ch, which leave "CHECK CONDITION" standing.
std::string_view SenseKeyText(const DecodedSense& sense);

// The additional sense description, when the pair is one of the device layer describes.
std::optional<std::string_view> AscAscqText(std::uint8_t asc, std::uint8_t ascq);

// The description, or the decimal pair "ASC,ASCQ" for a pair without text.
std::string AscAscqTextOrNumbers(std::uint8_t asc, std::uint8_t ascq);

struct FailureText {
  std::string Text;
  bool TargetBusy = false;
};

// LastErrorText for a block that ended with a status other than 0 and 1.
FailureText BuildLastErrorText(std::uint8_t status, std::uint8_t hostStatus, std::uint8_t targetStatus,
                               std::span<const std::uint8_t> sense);

}  // namespace velmarond::device
