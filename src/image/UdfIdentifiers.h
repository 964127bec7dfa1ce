#pragma once
// UDF names: OSTA compressed Unicode (compression ID 8 when every character fits one byte, else 16 with
// big-endian units), fixed-size dstrings and the file identifiers of one directory, which are shortened to
// unique names when they would not fit their one-byte length field.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmarond::udf {

using EncodedName = std::vector<std::uint8_t>;

inline constexpr std::size_t MaxIdentifierBytes = 255;  // the identifier length field is one byte

// The compression ID followed by the characters; empty text gives an empty result.
EncodedName EncodeCompressedUnicode(std::u16string_view text);

// The longest leading part of `text` whose encoding takes at most `maxBytes` bytes, never splitting a
// surrogate pair.
std::u16string_view FitToEncodedBytes(std::u16string_view text, std::size_t maxBytes);

// A dstring: the encoding of the longest leading part that fits, zero bytes, and the used length in the
// last byte (all zero for empty text).
void WriteDstring(std::span<std::uint8_t> field, std::u16string_view text);

// The encoded identifiers of one directory's entries, in the same order. Names are kept as they are
// (letter case included) when they fit; a longer name becomes a shortened "stem~N.ext" that no other entry
// of the directory carries.
std::vector<EncodedName> MakeDirectoryIdentifiers(const std::vector<std::u16string>& names);

}  // namespace velmarond::udf
