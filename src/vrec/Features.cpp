// GET CONFIGURATION: the drive's profiles and feature descriptors, current as the medium makes them.

#include <algorithm>
#include <vector>

#include "vrec/Bytes.h"
#include "vrec/Handlers.h"

namespace velmarond::vrec {
namespace {

// Every profile the drive supports, highest first as drives list them.
constexpr std::uint16_t Profiles[] = {0x0043, 0x0041, 0x0040, 0x0051, 0x0050, 0x002B, 0x001B, 0x001A, 0x0014,
                                      0x0013, 0x0012, 0x0011, 0x0010, 0x000A, 0x0009, 0x0008};

struct FeatureContext {
  const Medium* Disc;
  bool Is(std::initializer_list<MediumKind> kinds) const {
    return Disc && std::find(kinds.begin(), kinds.end(), Disc->Kind) != kinds.end();
  }
  bool Family(MediumFamily family) const { return Disc && Disc->Traits().Family == family; }
};

class FeatureWriter {
 public:
  void Add(std::uint16_t code, std::uint8_t version, bool current, std::vector<std::uint8_t> body) {
    const std::size_t at = Bytes.size();
    Bytes.resize(at + 4);
    Put16(Bytes, at, code);
    Bytes[at + 2] = std::uint8_t(version << 2 | 0x02 /*persistent*/ | (current ? 0x01 : 0x00));
    Bytes[at + 3] = std::uint8_t(body.size());
    Bytes.insert(Bytes.end(), body.begin(), body.end());
    Codes.push_back({code, current, at, Bytes.size()});
  }
  struct Placed {
    std::uint16_t Code;
    bool Current;
    std::size_t Begin, End;
  };
  std::vector<std::uint8_t> Bytes;
  std::vector<Placed> Codes;
};

void BuildFeatures(FeatureWriter& w, const FeatureContext& m) {
  const bool present = m.Disc != nullptr;
  std::vector<std::uint8_t> profiles;
  for (std::uint16_t profile : Profiles) {
    const bool current = present && m.Disc->Traits().Profile == profile;
    profiles.insert(profiles.end(), {std::uint8_t(profile >> 8), std::uint8_t(profile), std::uint8_t(current), 0});
  }
  w.Add(0x0000, 0, true, profiles);
  w.Add(0x0001, 2, true, {0, 0, 0, 0x02, 0x01, 0, 0, 0});                // Core: ATAPI, DBE
  w.Add(0x0002, 1, true, {0x02, 0, 0, 0});                               // Morphing: OCEvent
  w.Add(0x0003, 0, true, {0x29, 0, 0, 0});                               // Removable medium: tray, eject, lock
  w.Add(0x0010, 0, present, {0, 0, 0x08, 0, 0, std::uint8_t(present ? m.Disc->Traits().Blocking : 1), 0, 0});
  w.Add(0x001D, 0, present, {});                                         // Multi-Read
  w.Add(0x001E, 2, m.Family(MediumFamily::Cd), {0x00, 0, 0, 0});         // CD Read
  w.Add(0x001F, 1, m.Family(MediumFamily::Dvd), {0x01, 0, 0x01, 0});     // DVD Read, dual layer
  const bool randomWritable = m.Disc && m.Disc->IsOverwritable() && m.Disc->Formatted;
  w.Add(0x0020, 0, randomWritable, {0, 0, 0, 0, 0, 0, 0x08, 0, 0, std::uint8_t(present ? m.Disc->Traits().Blocking : 1), 0, 0});
  w.Add(0x0021, 1, m.Is({MediumKind::CdR, MediumKind::CdRw, MediumKind::DvdR, MediumKind::DvdRw}),
        {0x01, 0x01, 0x00, 0x01, 0x00, 0x10, 0, 0});                    // Incremental streaming writable
  w.Add(0x0023, 0, m.Is({MediumKind::DvdRw, MediumKind::DvdRwRestricted, MediumKind::DvdPlusRw, MediumKind::DvdRam, MediumKind::BdRe}),
        {0, 0, 0, 0});                                                   // Formattable
  w.Add(0x0024, 0, m.Is({MediumKind::DvdRam, MediumKind::BdRe}), {});   // Hardware defect management
  w.Add(0x0026, 0, m.Is({MediumKind::DvdRwRestricted}), {});             // Restricted overwrite
  w.Add(0x002A, 1, m.Is({MediumKind::DvdPlusRw}), {0x01, 0x00, 0, 0});   // DVD+RW: write
  w.Add(0x002B, 0, m.Is({MediumKind::DvdPlusR}), {0x01, 0, 0, 0});       // DVD+R: write
  w.Add(0x002D, 2, m.Is({MediumKind::CdR, MediumKind::CdRw}), {0x42, 0, 0x00, 0x01});  // TAO: BUF, CD-RW
  w.Add(0x002E, 0, m.Is({MediumKind::CdR, MediumKind::CdRw}), {0x62, 0x00, 0xFF, 0xFF});  // SAO: BUF, SAO, CD-RW
  w.Add(0x002F, 1, m.Is({MediumKind::DvdR, MediumKind::DvdRw}), {0x42, 0, 0, 0});  // DVD-R/-RW write: BUF, DVD-RW
  w.Add(0x003B, 0, m.Is({MediumKind::DvdPlusRDl}), {0x01, 0, 0, 0});     // DVD+R DL: write
  std::vector<std::uint8_t> bdRead(28, 0);
  bdRead[4] = bdRead[5] = 0xFF;   // class 0 BD-RE versions
  bdRead[12] = bdRead[13] = 0xFF; // class 0 BD-R versions
  bdRead[20] = bdRead[21] = 0xFF; // class 0 BD-ROM versions
  w.Add(0x0040, 1, m.Family(MediumFamily::Bd), bdRead);
  std::vector<std::uint8_t> bdWrite(20, 0);
  bdWrite[4] = bdWrite[5] = 0xFF;
  bdWrite[12] = bdWrite[13] = 0xFF;
  w.Add(0x0041, 1, m.Is({MediumKind::BdR, MediumKind::BdRe}), bdWrite);
  w.Add(0x0050, 0, m.Family(MediumFamily::HdDvd), {0x01, 0, 0x01, 0});   // HD DVD read: -R, -RAM
  w.Add(0x0051, 0, m.Is({MediumKind::HdDvdR}), {0x01, 0, 0x00, 0});      // HD DVD write: -R
  w.Add(0x0100, 0, true, {});                                            // Power management
  w.Add(0x0105, 0, true, {0, 0, 0, 0});                                  // Timeout
  w.Add(0x0107, 3, true, {0x1F, 0, 0, 0});                               // Real-time streaming: RBCB SCS MP2A WSPD SW
}

}  // namespace

Reply GetConfiguration(RecorderState& state, const Command& command) {
  const std::uint8_t requestType = command.At(1) & 0x03;
  const std::uint16_t start = Get16(command.Cdb, 2);
  if (requestType == 3) return Reply::Check(sense::InvalidFieldInCdb);
  const Medium* disc = state.TrayOpen || !state.Disc ? nullptr : &*state.Disc;
  FeatureWriter features;
  BuildFeatures(features, FeatureContext{disc});

  std::vector<std::uint8_t> reply(8, 0);
  Put16(reply, 6, disc ? disc->Traits().Profile : 0);
  for (const auto& placed : features.Codes) {
    const bool wanted = requestType == 2 ? placed.Code == start
                        : placed.Code >= start && (requestType == 0 || placed.Current);
    if (wanted) reply.insert(reply.end(), features.Bytes.begin() + placed.Begin, features.Bytes.begin() + placed.End);
  }
  Put32(reply, 0, std::uint32_t(reply.size() - 4));
  return DataIn(command, reply, Get16(command.Cdb, 7));
}

}  // namespace velmarond::vrec
