// Identification of every medium family against the virtual recorder, through both device layers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device/EngineDevice.h"
#include "device/ScsiDevice.h"
#include "vrec/RecorderFolder.h"
#include "vrec/VirtualPlatform.h"

namespace velmarond::device {
namespace {

namespace fs = std::filesystem;
using vrec::MediumKind;

struct MediumCase {
  MediumKind Kind;
  std::uint8_t EngineType;
  std::uint8_t ComponentType;  // 0: the component's numbering has no code for this family
  bool Writable, Erasable;
};

class VirtualIdentification : public ::testing::Test {
 protected:
  fs::path Folder = fs::temp_directory_path() / ("velmarond-vrec-id-" + std::to_string(::getpid()));
  void TearDown() override { fs::remove_all(Folder); }
};

TEST_F(VirtualIdentification, EveryMediumFamily) {
  const MediumCase cases[] = {
      {MediumKind::CdR, 2, 2, true, false},         {MediumKind::CdRw, 3, 3, true, true},
      {MediumKind::DvdR, 5, 5, true, false},        {MediumKind::DvdRw, 9, 9, true, true},
      {MediumKind::DvdRwRestricted, 8, 8, true, true}, {MediumKind::DvdPlusR, 11, 11, true, false},
      {MediumKind::DvdPlusRDl, 12, 12, true, false}, {MediumKind::DvdPlusRw, 10, 10, true, true},
      {MediumKind::DvdRam, 6, 6, true, true},       {MediumKind::BdR, 14, 0, true, false},
      {MediumKind::BdRe, 16, 0, true, true},        {MediumKind::HdDvdR, 18, 0, true, false},
      {MediumKind::CdRom, 1, 1, false, false},      {MediumKind::DvdRom, 4, 4, false, false},
      {MediumKind::BdRom, 13, 0, false, false},
  };
  const fs::path image = fs::temp_directory_path() / ("velmarond-vrec-id-" + std::to_string(::getpid()) + ".iso");
  { std::ofstream(image, std::ios::binary) << std::string(2048 * 32, '\0'); }
  for (const MediumCase& c : cases) {
    SCOPED_TRACE(std::string(vrec::MediumKindName(c.Kind)));
    fs::remove_all(Folder);
    vrec::DriveDescription drive;
    drive.Vendor = "VELMAR";
    drive.Product = "VIRTUAL RECORDER";
    drive.Revision = "1.00";
    auto created = vrec::CreateRecorder(Folder.string(), drive);
    ASSERT_TRUE(created) << created.GetError().Text;
    vrec::InsertOptions options;
    if (!c.Writable) options.ImageFile = image.string();
    auto inserted = vrec::InsertMedium(Folder.string(), c.Kind, options);
    ASSERT_TRUE(inserted) << inserted.GetError().Text;

    vrec::VirtualPlatform platform({Folder.string()});
    EngineDevice engine(platform);
    ASSERT_TRUE(engine.Initialize(false, {}, {}));
    ASSERT_TRUE(engine.SelectDeviceByLetter('V'));
    EXPECT_EQ(engine.MediaType(), c.EngineType);
    EXPECT_EQ(engine.IsDiscWritable(), c.Writable);
    EXPECT_EQ(engine.IsDiscErasable(), c.Erasable);
    if (c.Writable) {
      EXPECT_GT(engine.FreeSectors(), 0u);
    }

    if (c.ComponentType != 0) {
      TSCSIDevice component(platform);
      ASSERT_TRUE(component.InitASPI(true, {}));
      ASSERT_FALSE(component.DeviceList.empty());
      component.SetDeviceID(component.DeviceList.front());
      EXPECT_EQ(component.GetMediaType(), c.ComponentType);
    }
  }
  fs::remove(image);
}

}  // namespace
}  // namespace velmarond::device
