// The composite platform: drives of every part in order, each letter once, handles routed to the
// part that opened them.

#include <gtest/gtest.h>

#include "RecordingPlatform.h"
#include "platform/CompositePlatform.h"

namespace velmarond::platform {
namespace {

using device::testing::RecordingPlatform;

TEST(CompositePlatform, ListsPartsInOrderAndRoutesHandles) {
  auto physical = std::make_unique<RecordingPlatform>(std::vector<RecordingPlatform::Drive>{
      {'D', device::ScsiAddress{1, 0, 0, 0}}, {'V', device::ScsiAddress{2, 0, 0, 0}}});
  auto virtualRecorders = std::make_unique<RecordingPlatform>(std::vector<RecordingPlatform::Drive>{
      {'V', std::nullopt}, {'W', std::nullopt}});
  RecordingPlatform* first = physical.get();
  RecordingPlatform* second = virtualRecorders.get();
  std::vector<std::unique_ptr<device::ScsiPlatform>> parts;
  parts.push_back(std::move(physical));
  parts.push_back(std::move(virtualRecorders));
  CompositePlatform composite(std::move(parts));

  std::string letters;
  for (const auto& root : composite.ListDrives()) letters += root.Letter;
  EXPECT_EQ(letters, "DVW");  // the physical V keeps its letter; the virtual one gives way

  const auto d = composite.Open('D', device::OpenMode::ReadWrite);
  const auto w = composite.Open('W', device::OpenMode::ReadWrite);
  ASSERT_NE(d, device::InvalidHandle);
  ASSERT_NE(w, device::InvalidHandle);
  EXPECT_NE(d, w);
  EXPECT_EQ(composite.GetScsiAddress(d), (device::ScsiAddress{1, 0, 0, 0}));
  EXPECT_FALSE(composite.GetScsiAddress(w));

  const std::uint8_t cdb[6] = {0x00, 0, 0, 0, 0, 0};
  EXPECT_TRUE(composite.PassThrough(w, {cdb, device::DataDirection::None, {}, 5'000}).CallSucceeded);
  EXPECT_EQ(second->Commands.size(), 1u);
  EXPECT_TRUE(first->Commands.empty());

  composite.Close(w);
  EXPECT_FALSE(composite.PassThrough(w, {cdb, device::DataDirection::None, {}, 5'000}).CallSucceeded);
  EXPECT_EQ(composite.Open('Q', device::OpenMode::ReadWrite), device::InvalidHandle);
}

}  // namespace
}  // namespace velmarond::platform
