#include <gtest/gtest.h>

#include <array>
#include <string_view>
#include <vector>

#include "image/UdfTag.h"

namespace velmarond::udf {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(UdfTag, Crc16MatchesKnownValues) {
  struct Case {
    std::vector<std::uint8_t> Input;
    std::uint16_t Crc;
  };
  const Case cases[] = {
      {{0x70, 0x6A, 0x77}, 0x3299},  // the worked example of ECMA-167 3/7.2.6
      {Bytes("123456789"), 0x31C3},  // the usual check value of this polynomial with initial value 0
      {{}, 0x0000},
  };
  for (const auto& c : cases) EXPECT_EQ(Crc16(c.Input), c.Crc);
}

TEST(UdfTag, FinishedTagVerifiesLikeAReaderChecksIt) {
  std::vector<std::uint8_t> descriptor(512, 0);
  for (std::size_t i = 16; i < descriptor.size(); ++i) descriptor[i] = static_cast<std::uint8_t>(i * 7);
  FinishTag(descriptor, TagId::FileSet, 0x01020304);

  EXPECT_EQ(descriptor[0] | descriptor[1] << 8, 256);
  EXPECT_EQ(descriptor[2], 2);  // descriptor version
  EXPECT_EQ(descriptor[6], 1);  // serial number
  EXPECT_EQ(descriptor[10] | descriptor[11] << 8, 496);
  EXPECT_EQ(std::vector<std::uint8_t>(descriptor.begin() + 12, descriptor.begin() + 16),
            (std::vector<std::uint8_t>{4, 3, 2, 1}));
  const std::uint16_t crc = Crc16(std::span(descriptor).subspan(16));
  EXPECT_EQ(descriptor[8] | descriptor[9] << 8, crc);
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i) sum += i == 4 ? 0 : descriptor[i];
  EXPECT_EQ(descriptor[4], sum % 256);

  descriptor[100] ^= 1;  // a changed body no longer matches the recorded CRC
  EXPECT_NE(Crc16(std::span(descriptor).subspan(16)), crc);
}

}  // namespace
}  // namespace velmarond::udf
