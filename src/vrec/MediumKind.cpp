#include "vrec/MediumKind.h"

#include <array>

namespace velmarond::vrec {
namespace {

using F = MediumFamily;
using R = Recording;

// CD: a TAO track ends with 2 run-out blocks and the next one starts after a 150-block pregap; closing
// a session writes lead-out and the next lead-in (6750 + 4500 + 150 the first time, 2250 + 4500 + 150
// later). The DVD, BD and HD DVD gaps are the model's own round figures for border and closure zones.
constexpr std::array<MediumTraits, MediumKindCount> Table{{
    {MediumKind::CdR, "cd-r", 0x0009, F::Cd, R::Sequential, false, 359'849, 1, 152, 11'400, 6'900},
    {MediumKind::CdRw, "cd-rw", 0x000A, F::Cd, R::Sequential, true, 359'849, 1, 152, 11'400, 6'900},
    {MediumKind::DvdR, "dvd-r", 0x0011, F::Dvd, R::Sequential, false, 2'298'496, 16, 16, 0x2000, 0x2000},
    {MediumKind::DvdRw, "dvd-rw", 0x0014, F::Dvd, R::Sequential, true, 2'298'496, 16, 16, 0x2000, 0x2000},
    {MediumKind::DvdRwRestricted, "dvd-rw-ro", 0x0013, F::Dvd, R::Overwritable, true, 2'298'496, 16, 0, 0, 0},
    {MediumKind::DvdPlusR, "dvd+r", 0x001B, F::Dvd, R::Sequential, false, 2'295'104, 16, 16, 0x1000, 0x1000},
    {MediumKind::DvdPlusRDl, "dvd+r-dl", 0x002B, F::Dvd, R::Sequential, false, 4'173'824, 16, 16, 0x1000, 0x1000},
    {MediumKind::DvdPlusRw, "dvd+rw", 0x001A, F::Dvd, R::Overwritable, true, 2'295'104, 16, 0, 0, 0},
    {MediumKind::DvdRam, "dvd-ram", 0x0012, F::Dvd, R::Overwritable, true, 2'236'704, 16, 0, 0, 0},
    {MediumKind::BdR, "bd-r", 0x0041, F::Bd, R::Sequential, false, 12'219'392, 32, 0, 0x800, 0x800},
    {MediumKind::BdRe, "bd-re", 0x0043, F::Bd, R::Overwritable, true, 11'826'176, 32, 0, 0, 0},
    {MediumKind::HdDvdR, "hd-dvd-r", 0x0051, F::HdDvd, R::Sequential, false, 7'335'680, 32, 32, 0x2000, 0x2000},
    {MediumKind::CdRom, "cd-rom", 0x0008, F::Cd, R::ReadOnly, false, 0, 1, 0, 0, 0},
    {MediumKind::DvdRom, "dvd-rom", 0x0010, F::Dvd, R::ReadOnly, false, 0, 16, 0, 0, 0},
    {MediumKind::BdRom, "bd-rom", 0x0040, F::Bd, R::ReadOnly, false, 0, 32, 0, 0, 0},
}};

}  // namespace

const MediumTraits& TraitsOf(MediumKind kind) { return Table[static_cast<std::size_t>(kind)]; }

std::optional<MediumKind> ParseMediumKind(std::string_view name) {
  for (const auto& traits : Table) {
    if (traits.Name == name) return traits.Kind;
  }
  return std::nullopt;
}

std::string_view MediumKindName(MediumKind kind) { return TraitsOf(kind).Name; }

}  // namespace velmarond::vrec
