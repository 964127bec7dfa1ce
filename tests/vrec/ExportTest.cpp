// Exports read by independent tools: the ISO of a written DVD+R is what was written; the BIN/CUE of a
// disc-at-once audio CD is read by cd-info with its tracks.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RecorderHarness.h"
#include "vrec/Export.h"

namespace velmarond::vrec::test {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("vrec-export-" + std::to_string(::getpid()) + "-" + name)).string();
}

TEST(Export, IsoOfAWrittenDvdPlusRIsWhatWasWritten) {
  Harness h(MediumKind::DvdPlusR);
  std::vector<std::uint8_t> written;
  for (std::int64_t lba = 0; lba < 1024; lba += 32) {
    std::vector<std::uint8_t> chunk(32 * 2048);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = std::uint8_t((lba * 2048 + i) * 131 >> 3);
    ASSERT_EQ(h.Out({0x2A, 0, 0, 0, std::uint8_t(lba >> 8), std::uint8_t(lba), 0, 0, 32, 0}, chunk).Sense(), "-");
    written.insert(written.end(), chunk.begin(), chunk.end());
  }
  ASSERT_EQ(h.Close(1, 1).Sense(), "-");
  const std::string iso = TempPath("dvd.iso");
  ASSERT_TRUE(ExportIso(h.Recorder.State(), iso));
  std::ifstream in(iso, std::ios::binary);
  const std::vector<std::uint8_t> exported((std::istreambuf_iterator<char>(in)), {});
  EXPECT_TRUE(exported == written);
  std::filesystem::remove(iso);
}

TEST(Export, CueOfADiscAtOnceAudioCdIsReadByCdInfo) {
  Harness h(MediumKind::CdR);
  ASSERT_EQ(h.SetWriteParameters(2, 0, 0, 0).Sense(), "-");
  const std::vector<std::uint8_t> cue = {0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0,  0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0,
                                         0x01, 0x01, 0x01, 0x00, 0, 0, 2, 0,  0x01, 0x02, 0x00, 0x00, 0, 0, 15, 25,
                                         0x01, 0x02, 0x01, 0x00, 0, 0, 17, 25, 0x01, 0xAA, 0x01, 0x01, 0, 0, 44, 0};
  ASSERT_EQ(h.Out({0x5D, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(cue.size()), 0}, cue).Sense(), "-");
  for (std::int64_t lba = -150; lba < 3150; lba += 25) ASSERT_EQ(h.Write(lba, 25, 0x40, 2352).Sense(), "-");
  ASSERT_EQ(h.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(), "-");
  const std::string path = TempPath("audio.cue");
  ASSERT_TRUE(ExportCue(h.Recorder.State(), path));
  const std::string command = "cd-info --no-header --no-device-info --no-cddb --no-vcd --no-ioctl --cue-file '" + path + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ::pclose(pipe);
  // Track 2 starts at 1150 (index 1 after its 150-block pregap), lead-out at 3150.
  EXPECT_NE(output.find("1: 00:02:00  000000 audio"), std::string::npos) << output;
  EXPECT_NE(output.find("2: 00:17:25  001150 audio"), std::string::npos) << output;
  EXPECT_NE(output.find("170: 00:44:00  003150 leadout"), std::string::npos) << output;
  std::filesystem::remove(path);
  std::filesystem::remove(TempPath("audio.bin"));
}

}  // namespace
}  // namespace velmarond::vrec::test
