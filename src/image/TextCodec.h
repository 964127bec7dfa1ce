#pragma once
// Conversions between the 8-bit names of Linux (UTF-8 by convention, any bytes in fact) and the UTF-16
// names the file table keeps.

#include <string>
#include <string_view>

namespace velmarond::image {

// Decodes UTF-8; a byte that does not start a valid sequence stands for the Latin-1 character of the
// same value, so every file name converts to a name and two different names stay different.
std::u16string Utf8ToUtf16(std::string_view text);
// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Length of the longest prefix of `text` of at most `maxBytes` bytes that ends at a character boundary.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);
// Same for UTF-16 code units: never splits a surrogate pair.
std::size_t Utf16PrefixLength(std::u16string_view text, std::size_t maxUnits);

}  // namespace velmarond::image
