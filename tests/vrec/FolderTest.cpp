// Recorder folders: creation, media, persistence through the platform, and the busy lock.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "RecorderHarness.h"
#include "vrec/RecorderFolder.h"
#include "vrec/VirtualPlatform.h"

namespace velmarond::vrec::test {
namespace {

class RecorderFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Folder = (std::filesystem::temp_directory_path() / ("vrec-" + std::to_string(::getpid()) + "-" +
                                                         ::testing::UnitTest::GetInstance()->current_test_info()->name())).string();
    std::filesystem::remove_all(Folder);
    ASSERT_TRUE(CreateRecorder(Folder, DriveDescription{}));
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  device::PassThroughResult Run(VirtualPlatform& platform, device::DriveHandle handle, std::vector<std::uint8_t> cdb,
                                device::DataDirection direction, std::vector<std::uint8_t>& data) {
    return platform.PassThrough(handle, device::PassThroughRequest{cdb, direction, data, 10'000});
  }
  std::string Folder;
};

TEST_F(RecorderFolderTest, WrittenDataSurvivesClosingAndReopening) {
  ASSERT_TRUE(InsertMedium(Folder, MediumKind::DvdPlusR, {}));
  {
    VirtualPlatform platform({Folder});
    const auto drives = platform.ListDrives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].Letter, 'V');
    const auto handle = platform.Open('V', device::OpenMode::ExclusiveReadWrite);
    ASSERT_NE(handle, device::InvalidHandle);
    EXPECT_EQ(platform.GetScsiAddress(handle)->Host, 100u);
    std::vector<std::uint8_t> data(32 * 2048);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 7);
    ASSERT_EQ(Run(platform, handle, {0x2A, 0, 0, 0, 0, 0, 0, 0, 32, 0}, device::DataDirection::Out, data).ScsiStatus, 0);
    std::vector<std::uint8_t> none;
    ASSERT_EQ(Run(platform, handle, {0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}, device::DataDirection::None, none).ScsiStatus, 0);
    platform.Close(handle);
  }
  auto reloaded = VirtualRecorder::Load(Folder);
  ASSERT_TRUE(reloaded);
  const auto& disc = *(*reloaded)->State().Disc;
  ASSERT_EQ(disc.Tracks.size(), 1u);
  EXPECT_TRUE(disc.Tracks[0].Closed);
  std::vector<std::uint8_t> block(2048);
  std::vector<std::uint8_t> cdb = {0x28, 0, 0, 0, 0, 31, 0, 0, 1, 0};
  ASSERT_EQ((*reloaded)->Execute(cdb, device::DataDirection::In, block).ScsiStatus, 0);
  EXPECT_EQ(block[5], std::uint8_t((31 * 2048 + 5) * 7));
}

TEST_F(RecorderFolderTest, SecondHolderIsToldTheFolderIsBusy) {
  auto first = FolderLock::Acquire(Folder);
  ASSERT_TRUE(first);
  auto second = FolderLock::Acquire(Folder);
  ASSERT_FALSE(second);
  EXPECT_NE(second.GetError().Text.find("busy"), std::string::npos);
  EXPECT_FALSE(InsertMedium(Folder, MediumKind::CdR, {}));
}

TEST_F(RecorderFolderTest, TwoPlatformsOfOneProcessShareTheRecorder) {
  ASSERT_TRUE(InsertMedium(Folder, MediumKind::CdR, {}));
  VirtualPlatform dataEngine({Folder});
  VirtualPlatform audioWriter({Folder});
  const auto a = dataEngine.Open('V', device::OpenMode::ReadWrite);
  const auto b = audioWriter.Open('V', device::OpenMode::ReadWrite);
  EXPECT_NE(a, device::InvalidHandle);
  EXPECT_NE(b, device::InvalidHandle);
  dataEngine.Close(a);
  audioWriter.Close(b);
}

TEST_F(RecorderFolderTest, MediaAndTheirRefusals) {
  EXPECT_FALSE(InsertMedium(Folder, MediumKind::CdRom, {})) << "read-only media come from an image";
  const std::string image = Folder + "/disc.iso";
  std::ofstream(image, std::ios::binary) << std::string(5000, 'x');
  ASSERT_TRUE(InsertMedium(Folder, MediumKind::DvdRom, InsertOptions{image, std::nullopt}));
  auto recorder = VirtualRecorder::Load(Folder);
  ASSERT_TRUE(recorder);
  EXPECT_EQ((*recorder)->State().Disc->Capacity, 3) << "partial last block counts";
  std::vector<std::uint8_t> block(2048);
  std::vector<std::uint8_t> read = {0x28, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  ASSERT_EQ((*recorder)->Execute(read, device::DataDirection::In, block).ScsiStatus, 0);
  EXPECT_EQ(block[0], 'x');
  std::vector<std::uint8_t> write = {0x2A, 0, 0, 0, 0, 3, 0, 0, 1, 0};
  EXPECT_EQ((*recorder)->Execute(write, device::DataDirection::Out, block).Sense[12], 0x30);
  ASSERT_TRUE(EjectMedium(Folder));
  EXPECT_FALSE(EjectMedium(Folder)) << "nothing to eject";
  EXPECT_FALSE(CreateRecorder(Folder, DriveDescription{})) << "already a recorder";
}

TEST(RecorderFolders, ReadFromTheEnvironment) {
  ::setenv("VELMAROND_VIRTUAL_RECORDERS", "/a::/b c:/d", 1);
  EXPECT_EQ(RecorderFoldersFromEnvironment(), (std::vector<std::string>{"/a", "/b c", "/d"}));
  ::unsetenv("VELMAROND_VIRTUAL_RECORDERS");
  EXPECT_TRUE(RecorderFoldersFromEnvironment().empty());
}

}  // namespace
}  // namespace velmarond::vrec::test
