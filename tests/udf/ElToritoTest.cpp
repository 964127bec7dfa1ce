#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "../image/TestTree.h"
#include "TestImage.h"
#include "image/ElTorito.h"

namespace velmarond::image {
namespace {

using testing::TTempDir;

TEST(ElTorito, AcceptedSizesGiveTheirMediaType) {
  struct Case {
    std::uint64_t Size;
    bool Accepted;
    TBootMediaType Type;
    std::uint16_t Count;
  };
  const Case cases[] = {{2048, true, TBootMediaType::NoEmulation, 4},
                        {1228800, true, TBootMediaType::Diskette12, 1},
                        {1474560, true, TBootMediaType::Diskette144, 1},
                        {2949120, true, TBootMediaType::Diskette288, 1},
                        {3000, false, {}, 0},
                        {0, false, {}, 0}};
  for (const auto& c : cases) {
    const auto kind = ClassifyBootImage(c.Size);
    ASSERT_EQ(kind.has_value(), c.Accepted) << c.Size;
    if (!kind) continue;
    EXPECT_EQ(kind->MediaType, c.Type);
    EXPECT_EQ(kind->SectorCount, c.Count);
  }
}

TEST(ElTorito, CatalogValidationWordsSumToZero) {
  const TBootSector catalog = MakeBootCatalog({TBootMediaType::Diskette144, 1}, 0x12345);
  std::uint16_t sum = 0;
  for (int i = 0; i < 32; i += 2) sum = static_cast<std::uint16_t>(sum + (catalog[i] | catalog[i + 1] << 8));
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(catalog[0], 1);
  EXPECT_EQ(catalog[30], 0x55);
  EXPECT_EQ(catalog[31], 0xAA);
  EXPECT_EQ(std::memcmp(catalog.data() + 4, "Torva CD/DVD Burner", 19), 0);
  EXPECT_EQ(catalog[32], 0x88);
  EXPECT_EQ(catalog[33], 2);
  EXPECT_EQ(catalog[38], 1);
  EXPECT_EQ(catalog[40] | catalog[41] << 8 | catalog[42] << 16, 0x12345);

  const TBootSector record = MakeBootRecord(0x2A);
  EXPECT_EQ(std::memcmp(record.data(), "\0CD001\1EL TORITO SPECIFICATION", 30), 0);
  EXPECT_EQ(record[71], 0x2A);
}

TEST(ElTorito, BootImagePropertyKeepsOrClearsByTheRules) {
  TTempDir dir;
  const std::string good = dir.File("boot.img", 2048).string();
  const std::string diskette = dir.File("floppy.img", 1474560).string();
  const std::string odd = dir.File("odd.img", 3000).string();
  TBootImage boot;
  boot.Set(good);
  EXPECT_EQ(boot.Get(), good);
  boot.Set(odd);  // an unaccepted size leaves the previous value
  EXPECT_EQ(boot.Get(), good);
  boot.Set("");   // an empty text changes nothing
  EXPECT_EQ(boot.Get(), good);
  boot.Set(diskette);
  EXPECT_EQ(boot.Get(), diskette);
  EXPECT_EQ(boot.Bytes(), 1474560u);
  boot.Set((dir.Path() / "missing.img").string());
  EXPECT_EQ(boot.Get(), diskette);
  boot.Clear();
  EXPECT_EQ(boot.Get(), "");
}

TEST(ElTorito, BootImageThatChangedBeforeTheWriteEndsItNamingTheFile) {
  struct Case {
    const char* Name;
    std::function<void(const std::string&)> Change;
  };
  const Case cases[] = {
      {"deleted", [](const std::string& path) { std::filesystem::remove(path); }},
      {"shrunk", [](const std::string& path) { std::filesystem::resize_file(path, 1000); }},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    testing::TTestImage image;
    const std::string boot = dir.File("boot.img", 2048).string();
    image.Boot.BootImage().Set(boot);
    c.Change(boot);
    const std::string error = image.Write(dir.Path() / "out.iso");
    EXPECT_NE(error.find(boot), std::string::npos) << c.Name << ": " << error;
  }
}

}  // namespace
}  // namespace velmarond::image
