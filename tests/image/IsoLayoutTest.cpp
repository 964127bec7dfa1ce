#include <gtest/gtest.h>

#include <cstring>

#include "image/IsoHeader.h"
#include "image/IsoLayout.h"
#include "image/IsoStructs.h"
#include "TestTree.h"

namespace velmarond::image {
namespace {

using testing::TTempDir;

std::uint32_t Little32(const std::uint8_t* at) { return at[0] | at[1] << 8 | at[2] << 16 | std::uint32_t(at[3]) << 24; }
std::uint32_t Big32(const std::uint8_t* at) { return at[3] | at[2] << 8 | at[1] << 16 | std::uint32_t(at[0]) << 24; }

struct TLayoutCase {
  const char* Name;
  bool Joliet;
  bool Iso1999;
  std::size_t FileBytes;  // one file in the root; 0 for none
  std::uint32_t IsoL, IsoM, JolietL, JolietM, IsoRoot, JolietRoot, FileDataStart, VolumeSize;
};

class Layout : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(Layout, PlacesEveryStructure) {
  const TLayoutCase& c = GetParam();
  TTempDir dir;
  TEngineState state;
  state.Options.Joliet = c.Joliet;
  state.Options.Iso1999 = c.Iso1999;
  if (c.FileBytes > 0) {
    ASSERT_TRUE(state.Table.InsertFile(u"\\", dir.File("f.bin", c.FileBytes).string(), u"", u"f.bin"));
  }
  auto size = PrepareImage(state);
  ASSERT_TRUE(size);
  const TLayout& l = state.Layout;
  EXPECT_EQ(l.IsoLPathTable, c.IsoL);
  EXPECT_EQ(l.IsoMPathTable, c.IsoM);
  if (c.Joliet) {
    EXPECT_EQ(l.JolietLPathTable, c.JolietL);
    EXPECT_EQ(l.JolietMPathTable, c.JolietM);
    EXPECT_EQ(l.JolietRootSector, c.JolietRoot);
  }
  EXPECT_EQ(l.IsoRootSector, c.IsoRoot);
  EXPECT_EQ(l.FileDataStart, c.FileDataStart);
  EXPECT_EQ(l.VolumeSize, c.VolumeSize);
  EXPECT_EQ(*size, c.FileDataStart + SectorCount(c.FileBytes));

  ASSERT_TRUE(BuildHeader(state));
  const std::uint8_t* h = state.Header.data();
  ASSERT_EQ(state.Header.size(), std::size_t{c.FileDataStart} * SectorBytes);
  const std::uint8_t* pvd = h + 16 * SectorBytes;
  EXPECT_EQ(pvd[0], 1);
  EXPECT_EQ(std::memcmp(pvd + 1, "CD001", 5), 0);
  EXPECT_EQ(Little32(pvd + 80), c.VolumeSize);
  EXPECT_EQ(Big32(pvd + 84), c.VolumeSize);
  EXPECT_EQ(pvd[88], 0) << "the UCS-2 escape belongs to the Joliet descriptor only";
  EXPECT_EQ(Little32(pvd + 140), c.IsoL);
  EXPECT_EQ(Big32(pvd + 148), c.IsoM);
  EXPECT_EQ(Little32(pvd + 158), c.IsoRoot);
  std::uint32_t next = 17;
  if (c.Iso1999) {
    const std::uint8_t* evd = h + next++ * SectorBytes;
    EXPECT_EQ(evd[0], 2);
    EXPECT_EQ(evd[6], 2);
    EXPECT_EQ(evd[881], 2);
    EXPECT_EQ(evd[88], 0);
  }
  if (c.Joliet) {
    const std::uint8_t* svd = h + next++ * SectorBytes;
    EXPECT_EQ(svd[0], 2);
    EXPECT_EQ(svd[88], 0x25);
    EXPECT_EQ(svd[90], 0x40);
    EXPECT_EQ(Little32(svd + 158), c.JolietRoot);
  }
  EXPECT_EQ(h[next * SectorBytes], 0xFF);
  // The root's first record names itself and spans one sector.
  const std::uint8_t* root = h + c.IsoRoot * SectorBytes;
  EXPECT_EQ(root[0], 34);
  EXPECT_EQ(Little32(root + 2), c.IsoRoot);
  EXPECT_EQ(Little32(root + 10), SectorBytes);
  if (c.FileBytes > 0) {
    const std::uint8_t* file = root + 68;
    EXPECT_EQ(Little32(file + 2), c.FileDataStart);
    EXPECT_EQ(Little32(file + 10), c.FileBytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Layout,
    ::testing::Values(TLayoutCase{"EmptyWithJoliet", true, false, 0, 19, 20, 21, 22, 23, 24, 150, 160},
                      TLayoutCase{"OneSectorFile", true, false, 2048, 19, 20, 21, 22, 23, 24, 150, 160},
                      TLayoutCase{"IsoOnly", false, false, 5000, 18, 19, 0, 0, 20, 0, 150, 160},
                      TLayoutCase{"Iso1999AndJoliet", true, true, 1, 20, 21, 22, 23, 24, 25, 150, 160}),
    [](const auto& info) { return std::string(info.param.Name); });

// Records fill a directory sector exactly, and one byte more moves the last record to a second sector.
TEST(Layout, DirectorySectorBoundary) {
  // 68 bytes of "." and "..", then records of 33 + 12 + 1 = 46 bytes ("NAMEnnnn.TXT"): 43 fill 2046 bytes.
  struct Case {
    int Files;
    std::uint32_t ExpectedBytes;
  } cases[] = {{43, 2048}, {44, 4096}};
  for (const auto& c : cases) {
    TEngineState state;
    state.Options.Joliet = false;
    for (int i = 0; i < c.Files; ++i) {
      TFindData fd;
      char name[32];
      std::snprintf(name, sizeof name, "NAME%04d.TXT", i);
      fd.Name.assign(name, name + std::strlen(name));
      ASSERT_TRUE(state.Table.AddEntry(state.Table.Root(), fd, 0, nullptr));
    }
    ASSERT_TRUE(PrepareImage(state));
    EXPECT_EQ(state.Table.Root().IsoSize, c.ExpectedBytes) << c.Files;
  }
}

TEST(Layout, LargeFilesGetSeveralExtents) {
  struct Case {
    std::uint64_t Size;
    std::uint32_t Records;
  } cases[] = {{0, 1}, {MaxExtentBytes, 1}, {MaxExtentBytes + 1, 2}, {4ULL << 30, 2}, {5ULL << 30, 2}, {9ULL << 30, 3}};
  for (const auto& c : cases) {
    TFileEntry entry;
    entry.Size = c.Size;
    EXPECT_EQ(RecordCount(entry), c.Records) << c.Size;
  }
}

TEST(Layout, PathTableOrdersByParentThenName) {
  TEngineState state;
  auto b = state.Table.CreateDir(u"\\", u"b");
  auto a = state.Table.CreateDir(u"\\", u"a");
  auto bz = state.Table.CreateDir(u"\\b", u"z");
  auto ay = state.Table.CreateDir(u"\\a", u"y");
  ASSERT_TRUE(a && b && bz && ay);
  ASSERT_TRUE(PrepareImage(state));
  const auto& order = state.Table.DirsInPathTableOrder();
  ASSERT_EQ(order.size(), 5u);
  EXPECT_EQ(order[1], *a);
  EXPECT_EQ(order[2], *b);
  EXPECT_EQ(order[3], *ay);
  EXPECT_EQ(order[4], *bz);
  EXPECT_EQ((*bz)->Parent->PathTableNumber, 3);
}

TEST(Layout, BuildHeaderNeedsAPreparedLayout) {
  TEngineState state;
  EXPECT_FALSE(BuildHeader(state));
  ASSERT_TRUE(PrepareImage(state));
  ASSERT_TRUE(state.Table.CreateDir(u"\\", u"new"));
  EXPECT_FALSE(BuildHeader(state)) << "an insertion clears the prepared flag";
}

TEST(Layout, UdfBridgeWithoutItsEngineIsRefused) {
  TEngineState state;
  state.Options.UdfBridge = true;
  EXPECT_FALSE(PrepareImage(state));
}

}  // namespace
}  // namespace velmarond::image
