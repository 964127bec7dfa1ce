#pragma once
// The names of each tree on the disc, made valid and unique per directory: ISO 9660 identifiers from
// d-characters, Joliet identifiers within the record limit and without the characters Joliet forbids,
// ISO 9660:1999 identifiers from the UTF-8 bytes of the name.

#include <string>
#include <string_view>

namespace velmarond::image {

struct TDirEntry;

enum class IsoNameKind { File, Directory };

inline constexpr std::size_t IsoFileStemChars = 8;
inline constexpr std::size_t IsoFileExtensionChars = 3;
inline constexpr std::size_t IsoDirectoryChars = 11;
// A Joliet record holds at most 255 bytes: 33 fixed, the identifier and a pad byte.
inline constexpr std::size_t MaxJolietUnits = 110;
inline constexpr std::size_t MaxIso1999Bytes = 207;

// The ISO identifier a name suggests: upper-case d-characters, "STEM.EXT" (at most 8 and 3) for a
// file, at most 11 characters without a dot for a directory.
std::string IsoCandidateName(std::u16string_view name, IsoNameKind kind);

// Gives the children of `directory` ISO names (TFileEntry::ShortName, and TDirEntry::ShortName of
// subdirectories), Joliet names and, when asked, ISO 9660:1999 names that are valid and unique in it.
// Names that need no change keep their first form; the others get a "_N" (ISO) or "~N" mark before the
// extension.
void AssignTreeNames(TDirEntry& directory, bool iso1999);

// The Joliet identifier of a name before uniqueness: forbidden characters replaced, shortened to the
// record limit with the extension kept.
std::u16string JolietCandidateName(std::u16string_view name);

}  // namespace velmarond::image
