#include <gtest/gtest.h>

#include <set>

#include "image/UdfIdentifiers.h"

namespace velmarond::udf {
namespace {

std::u16string Decode(const EncodedName& encoded) {
  std::u16string out;
  if (encoded.empty()) return out;
  if (encoded[0] == 8) {
    for (std::size_t i = 1; i < encoded.size(); ++i) out += static_cast<char16_t>(encoded[i]);
  } else {
    for (std::size_t i = 1; i + 1 < encoded.size(); i += 2) out += static_cast<char16_t>(encoded[i] << 8 | encoded[i + 1]);
  }
  return out;
}

TEST(UdfIdentifiers, CompressionIdFollowsTheWidestCharacter) {
  struct Case {
    std::u16string Text;
    EncodedName Encoded;
  };
  const Case cases[] = {
      {u"Ab", {8, 'A', 'b'}},
      {u"\u00E9t\u00E9", {8, 0xE9, 't', 0xE9}},            // Latin-1 still fits one byte
      {u"a\u0416", {16, 0x00, 'a', 0x04, 0x16}},           // one Cyrillic letter makes every unit two bytes
      {u"\U0001F600", {16, 0xD8, 0x3D, 0xDE, 0x00}},       // a surrogate pair stays two units
      {u"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(EncodeCompressedUnicode(c.Text), c.Encoded);
}

TEST(UdfIdentifiers, DstringCarriesItsLengthAndNeverSplitsACharacter) {
  struct Case {
    std::u16string Text;
    std::size_t FieldBytes;
    std::uint8_t Length;
  };
  const Case cases[] = {
      {u"Velmarond", 32, 10},
      {std::u16string(40, u'x'), 32, 31},                   // 30 one-byte characters fit beside the ID
      {std::u16string(20, u'\u0416'), 32, 31},              // 15 two-byte characters
      {u"abcdefghijklmn\U0001F600", 32, 15},  // the pair would end past byte 30: dropped whole, the rest fits ID 8
      {u"", 32, 0},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> field(c.FieldBytes, 0xEE);
    WriteDstring(field, c.Text);
    EXPECT_EQ(field.back(), c.Length);
    for (std::size_t i = c.Length; i + 1 < field.size(); ++i) EXPECT_EQ(field[i], 0) << i;
  }
}

TEST(UdfIdentifiers, LongWideNamesAreShortenedToUniqueNamesThatFit) {
  const std::u16string stem(200, u'\u0416');
  const std::vector<std::u16string> names = {stem + u"1.txt", stem + u"2.txt", u"Readme", u"README",
                                             std::u16string(217, u'a'), stem.substr(0, 121) + u"~1.txt"};
  const auto identifiers = MakeDirectoryIdentifiers(names);
  ASSERT_EQ(identifiers.size(), names.size());
  std::set<std::u16string> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_LE(identifiers[i].size(), MaxIdentifierBytes);
    EXPECT_TRUE(seen.insert(Decode(identifiers[i])).second) << i;
  }
  EXPECT_EQ(Decode(identifiers[2]), u"Readme");  // names that fit keep their case
  EXPECT_EQ(Decode(identifiers[3]), u"README");
  EXPECT_EQ(Decode(identifiers[4]), names[4]);   // 217 one-byte characters fit as they are
  EXPECT_EQ(Decode(identifiers[0]).substr(Decode(identifiers[0]).size() - 4), u".txt");
}

}  // namespace
}  // namespace velmarond::udf
