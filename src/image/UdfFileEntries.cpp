#include "image/UdfFileEntries.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "image/UdfEntities.h"
#include "image/UdfTag.h"

namespace velmarond::udf {
namespace {

constexpr std::uint16_t StrategyDirect = 4;
constexpr std::uint8_t FileTypeDirectory = 4;
constexpr std::uint8_t FileTypeRegular = 5;
constexpr std::uint32_t NoOwner = 0xFFFFFFFF;
constexpr std::uint32_t ReadAndExecuteForAll = 0x14A5;

std::uint32_t BlocksOf(std::uint64_t bytes) { return static_cast<std::uint32_t>((bytes + SectorSize - 1) / SectorSize); }

}  // namespace

std::vector<ShortAd> SplitIntoShortAds(std::uint64_t length, std::uint32_t firstLbn) {
  std::vector<ShortAd> ads;
  std::uint32_t lbn = firstLbn;
  while (length > 0) {
    // A piece below 2^30 bytes fits one descriptor as it is; a longer one is cut at whole blocks.
    const auto piece = static_cast<std::uint32_t>(length < (1u << 30) ? length : MaxShortAdLength);
    ShortAd ad{};
    ad.ExtentLength.Set(piece);
    ad.ExtentPosition.Set(lbn);
    ads.push_back(ad);
    length -= piece;
    lbn += BlocksOf(piece);
  }
  return ads;
}

void WriteFileEntry(std::span<std::uint8_t, SectorSize> block, const FileEntryFacts& facts) {
  assert(facts.InformationLength <= MaxEntryInformationLength);
  const std::vector<ShortAd> ads = SplitIntoShortAds(facts.InformationLength, facts.DataLbn);
  FileEntryHeader fe{};
  fe.Icb.StrategyType.Set(StrategyDirect);
  fe.Icb.MaximumNumberOfEntries.Set(1);
  fe.Icb.FileType = facts.IsDirectory ? FileTypeDirectory : FileTypeRegular;
  fe.Uid.Set(NoOwner);
  fe.Gid.Set(NoOwner);
  fe.Permissions.Set(ReadAndExecuteForAll);
  fe.FileLinkCount.Set(facts.LinkCount);
  fe.InformationLength.Set(facts.InformationLength);
  fe.LogicalBlocksRecorded.Set(BlocksOf(facts.InformationLength));
  fe.AccessTime = facts.Time;
  fe.ModificationTime = facts.Time;
  fe.AttributeTime = facts.Time;
  fe.Checkpoint.Set(1);
  fe.ImplementationIdentifier = ImplementationId();
  fe.UniqueId.Set(facts.UniqueId);
  // The descriptors length states exactly the descriptors written, so readers never parse the unused rest of
  // the block as allocation descriptors.
  fe.LengthOfAllocationDescriptors.Set(static_cast<std::uint32_t>(ads.size() * sizeof(ShortAd)));
  std::fill(block.begin(), block.end(), 0);
  std::memcpy(block.data(), &fe, sizeof fe);
  std::memcpy(block.data() + sizeof fe, ads.data(), ads.size() * sizeof(ShortAd));
  FinishTag(block.first(sizeof fe + ads.size() * sizeof(ShortAd)), TagId::FileEntry, facts.Lbn);
}

std::size_t FileIdentifierLength(std::size_t identifierBytes) {
  return (sizeof(FileIdentifierHeader) + identifierBytes + 3) / 4 * 4;
}

std::vector<std::uint8_t> MakeFileIdentifier(IdentifierKind kind, const EncodedName& identifier,
                                             std::uint32_t targetEntryLbn, std::uint32_t tagLocation) {
  assert(identifier.size() <= MaxIdentifierBytes);
  FileIdentifierHeader fid{};
  fid.FileVersionNumber.Set(1);
  fid.FileCharacteristics = static_cast<std::uint8_t>(kind);
  fid.LengthOfFileIdentifier = static_cast<std::uint8_t>(identifier.size());
  fid.Icb.ExtentLength.Set(SectorSize);
  fid.Icb.ExtentLocation.LogicalBlockNumber.Set(targetEntryLbn);
  std::vector<std::uint8_t> bytes(FileIdentifierLength(identifier.size()), 0);
  std::memcpy(bytes.data(), &fid, sizeof fid);
  std::copy(identifier.begin(), identifier.end(), bytes.begin() + sizeof fid);
  FinishTag(bytes, TagId::FileIdentifier, tagLocation);
  return bytes;
}

}  // namespace velmarond::udf
