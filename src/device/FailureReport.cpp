#include "device/FailureReport.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "device/Bytes.h"
#include "device/CommandNames.h"
#include "device/SenseTexts.h"

namespace velmarond::device {

namespace {

constexpr std::array<std::uint8_t, 17> UnreportedOpcodes = {0x00, 0x01, 0x04, 0x12, 0x1B, 0x1E, 0x23, 0x35, 0x43,
                                                            0x46, 0x51, 0x52, 0x55, 0x5A, 0x5C, 0xB6, 0xBB};
constexpr std::size_t DumpLimit = 257;

std::string HexAtLeast(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof(text), "%0*X", digits, value);
  return text;
}

}  // namespace

bool IsReportedFailure(const CommandBlock& block) {
  if (block.Header.Status == SrbStatus::Pending || block.Header.Status == SrbStatus::Complete) return false;
  if (std::find(UnreportedOpcodes.begin(), UnreportedOpcodes.end(), block.Opcode()) != UnreportedOpcodes.end())
    return false;
  const DecodedSense sense = DecodeSense(block.Sense);
  return !(sense.Asc == 0x04 && sense.Ascq == 0x08);
}

std::string BuildFailureReport(const CommandBlock& block, const std::string& lastErrorText) {
  const std::string a = std::to_string(block.Header.HostAdapter) + ":" + HexAtLeast(block.Target, 1) + ":" +
                        std::to_string(block.Lun) + " <" + Hex2(block.Header.Status) + ">" + " [" +
                        HexAtLeast(block.DataLength, 5) + "]";
  std::string b = "(" + Hex2(block.Opcode()) + ") {" + Hex2(block.Header.Flags) + "|" + Hex2(block.CdbLength) +
                  "} - " + a + " ";
  for (std::size_t i = 1; i < 16; ++i) b += Hex2(block.Cdb[i]) + " ";
  std::string c = ComponentCommandName(block.Opcode()) + " " + b + " " + "|";
  if (block.DataLength != 0 && block.Buffer() != nullptr) {
    const std::size_t dump = std::min<std::size_t>(DumpLimit, block.DataLength);
    for (std::size_t i = 0; i < dump; ++i) c += Hex2(block.Buffer()[i]) + " ";
  }
  const DecodedSense sense = DecodeSense(block.Sense);
  return "<<< " + c + "= " + Hex2(block.HostStatus) + " " + Hex2(block.TargetStatus) + " " + Hex2(block.Sense[0]) +
         " " + Hex2(block.Sense[2]) + " " + "ASC:" + Hex2(sense.Asc) + ",ASQ:" + Hex2(sense.Ascq) + " " +
         lastErrorText;
}

}  // namespace velmarond::device
