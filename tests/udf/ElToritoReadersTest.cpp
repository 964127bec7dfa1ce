// Bootable images read by xorriso and dumpet, and booted by qemu from a boot sector written here.

#include <gtest/gtest.h>

#include <fstream>

#include "../image/TestTree.h"
#include "ReaderTools.h"
#include "TestImage.h"

namespace velmarond::image {
namespace {

using namespace testing;

constexpr const char* BootMessage = "VELMAROND BOOT OK";

// Real-mode code loaded at 0000:7C00: writes the message to the first serial port, then asks qemu to exit.
std::vector<std::uint8_t> BootSector() {
  std::vector<std::uint8_t> code = {
      0xFA,              // cli
      0x31, 0xC0,        // xor ax, ax
      0x8E, 0xD8,        // mov ds, ax
      0xBE, 0x1A, 0x7C,  // mov si, 7C1Ah (the message)
      0xBA, 0xF8, 0x03,  // mov dx, 3F8h
      0xAC,              // next: lodsb
      0x84, 0xC0,        // test al, al
      0x74, 0x03,        // jz stop
      0xEE,              // out dx, al
      0xEB, 0xF8,        // jmp next
      0xB0, 0x01,        // stop: mov al, 1
      0xE6, 0xF4,        // out F4h, al (qemu's debug exit device ends the run)
      0xF4,              // halt: hlt
      0xEB, 0xFD,        // jmp halt
  };
  for (const char* c = BootMessage; *c; ++c) code.push_back(static_cast<std::uint8_t>(*c));
  for (char c : std::string("\r\n")) code.push_back(static_cast<std::uint8_t>(c));
  code.push_back(0);
  code.resize(512, 0);
  code[510] = 0x55;
  code[511] = 0xAA;
  return code;
}

std::filesystem::path WriteBootImage(const TTempDir& dir, std::size_t size) {
  const auto path = dir.Path() / ("boot-" + std::to_string(size) + ".img");
  std::vector<std::uint8_t> bytes = BootSector();
  bytes.resize(size, 0);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
  return path;
}

struct TBootCase {
  const char* Name;
  std::size_t Size;
  bool Udf;
  const char* Emulation;  // as xorriso reports it
  const char* LoadSize;
};

void PrintTo(const TBootCase& c, std::ostream* out) { *out << c.Name; }

class ElToritoReaders : public ::testing::TestWithParam<TBootCase> {};

TEST_P(ElToritoReaders, ReportTheCatalogAndBootTheSector) {
  const TBootCase& c = GetParam();
  TTempDir dir;
  TTestImage image;
  image.State.Options.UdfBridge = c.Udf;
  image.Boot.BootImage().Set(WriteBootImage(dir, c.Size).string());
  ASSERT_FALSE(image.Boot.BootImage().Get().empty());
  image.Boot.BootImage().Set(dir.File("not-a-boot-image.bin", 3000).string());  // leaves the previous one
  ASSERT_TRUE(image.State.Table.InsertFile(u"\\", dir.File("readme.txt", 100).string(), u"", u"readme.txt"));
  const auto iso = dir.Path() / "boot.iso";
  ASSERT_EQ(image.Write(iso), "");
  const std::uint32_t imageSector = image.State.Layout.BootImageSector;
  auto firstSector = BootSector();
  firstSector.resize(2048, 0);
  EXPECT_EQ(ReadSector(iso, imageSector), firstSector);

  const auto report = RunCommand("xorriso -indev " + Quoted(iso) + " -report_el_torito plain");
  ASSERT_EQ(report.ExitCode, 0) << report.Output;
  EXPECT_NE(report.Output.find("El Torito catalog  : " + std::to_string(image.State.Layout.BootCatalogSector)),
            std::string::npos)
      << report.Output;
  const std::string bootLine = report.Output.substr(report.Output.find("El Torito boot img :"));
  EXPECT_NE(bootLine.find(c.Emulation), std::string::npos) << report.Output;
  EXPECT_NE(bootLine.find(" " + std::string(c.LoadSize) + " "), std::string::npos) << report.Output;
  EXPECT_NE(bootLine.find(std::to_string(imageSector)), std::string::npos) << report.Output;

  const auto dumped = RunCommand("dumpet -i " + Quoted(iso));
  EXPECT_EQ(dumped.ExitCode, 0) << dumped.Output;
  EXPECT_NE(dumped.Output.find("Validation Entry"), std::string::npos) << dumped.Output;

  // The timeout only bounds a boot that never reaches the sector.
  const auto booted = RunCommand("timeout 60 qemu-system-x86_64 -cdrom " + Quoted(iso) +
                                 " -nographic -accel tcg -no-reboot -m 64 -boot d"
                                 " -device isa-debug-exit,iobase=0xf4,iosize=0x04");
  EXPECT_NE(booted.Output.find(BootMessage), std::string::npos) << booted.Output;
}

INSTANTIATE_TEST_SUITE_P(BootImages, ElToritoReaders,
                         ::testing::Values(TBootCase{"NoEmulation", 2048, true, "none", "4"},
                                           TBootCase{"Diskette144", 1474560, false, "fd1.4", "1"}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace velmarond::image
