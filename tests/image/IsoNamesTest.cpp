#include <gtest/gtest.h>

#include <set>

#include "image/FileTable.h"
#include "image/IsoNames.h"
#include "image/TextCodec.h"

namespace velmarond::image {
namespace {

bool IsDCharacters(const std::string& name) {
  for (char c : name) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.')) return false;
  }
  return true;
}

TEST(IsoNames, CandidateNames) {
  struct Case {
    std::u16string Name;
    IsoNameKind Kind;
    std::string Expected;
  } cases[] = {
      {u"LICENSE", IsoNameKind::File, "LICENSE."},
      {u"readme.txt", IsoNameKind::File, "README.TXT"},
      {u"my report.final.html", IsoNameKind::File, "MY_REPOR.HTM"},
      {u".bashrc", IsoNameKind::File, "_BASHRC."},
      {u"Ünïcödé.mp3", IsoNameKind::File, "_N_C_D_.MP3"},
      {u"\U0001F600.png", IsoNameKind::File, "_.PNG"},
      {u"Documentation", IsoNameKind::Directory, "DOCUMENTATI"},
      {u"v1.2", IsoNameKind::Directory, "V1_2"},
  };
  for (const auto& c : cases) EXPECT_EQ(IsoCandidateName(c.Name, c.Kind), c.Expected) << Utf16ToUtf8(c.Name);
}

TEST(IsoNames, JolietCandidates) {
  EXPECT_EQ(JolietCandidateName(u"a*b:c;d?e\\f"), u"a_b_c_d_e_f");
  const std::u16string longName = std::u16string(150, u'x') + u".flac";
  const std::u16string shortened = JolietCandidateName(longName);
  EXPECT_EQ(shortened.size(), MaxJolietUnits);
  EXPECT_TRUE(shortened.ends_with(u".flac"));
  // Never half a surrogate pair at the cut.
  std::u16string emoji;
  for (int i = 0; i < 80; ++i) emoji += u"\U0001F600";
  const std::u16string cut = JolietCandidateName(emoji);
  EXPECT_LE(cut.size(), MaxJolietUnits);
  EXPECT_FALSE(cut.back() >= 0xD800 && cut.back() <= 0xDBFF);
}

// Every tree stays unique in a directory full of names that collapse to the same short forms.
TEST(IsoNames, ClashingNamesBecomeUnique) {
  TFileTable table;
  std::vector<std::u16string> names = {u"Readme.txt", u"README.TXT", u"readme.txt", u"README~1.TXT",
                                       u"Readme", u"README.", u"a*b", u"a?b", u"a_b"};
  for (int i = 0; i < 300; ++i) names.push_back(u"long file name number " + Utf8ToUtf16(std::to_string(i)) + u".text");
  const std::u16string longStem(140, u'y');
  names.push_back(longStem + u"1.dat");
  names.push_back(longStem + u"2.dat");
  auto folder = table.CreateDir(table.Root(), u"readme", 0);
  ASSERT_TRUE(folder);
  for (const auto& name : names) {
    TFindData fd;
    fd.Name = name;
    ASSERT_TRUE(table.AddEntry(table.Root(), fd, 0, nullptr)) << Utf16ToUtf8(name);
  }
  AssignTreeNames(table.Root(), true);

  std::set<std::string> iso, iso1999;
  std::set<std::u16string> joliet;
  for (TFileEntry* e = table.Root().FirstChild; e != nullptr; e = e->Next) {
    std::string key = e->ShortName;
    if (key.back() == '.') key.pop_back();
    EXPECT_TRUE(iso.insert(key).second) << e->ShortName;
    EXPECT_TRUE(IsDCharacters(e->ShortName)) << e->ShortName;
    EXPECT_LE(e->ShortName.size(), 12u);
    const std::u16string& j = e->JolietName.empty() ? e->LongName : e->JolietName;
    EXPECT_TRUE(joliet.insert(j).second) << Utf16ToUtf8(j);
    EXPECT_LE(j.size(), MaxJolietUnits);
    EXPECT_EQ(j.find_first_of(u"*/:;?\\"), std::u16string::npos);
    EXPECT_TRUE(iso1999.insert(e->Iso1999Name).second);
    EXPECT_LE(e->Iso1999Name.size(), MaxIso1999Bytes);
  }
  EXPECT_EQ((*folder)->ShortName, (*folder)->Entry->ShortName);
}

}  // namespace
}  // namespace velmarond::image
