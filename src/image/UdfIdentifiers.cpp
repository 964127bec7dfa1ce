#include "image/UdfIdentifiers.h"

#include <algorithm>
#include <set>

namespace velmarond::udf {
namespace {

constexpr std::uint8_t ByteCompression = 8;
constexpr std::uint8_t WordCompression = 16;
constexpr std::size_t LongestKeptExtension = 16;

bool FitsOneByte(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit <= 0xFF; });
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

std::u16string_view CutAtCharacter(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return text;
  std::size_t cut = maxUnits;
  if (cut > 0 && IsHighSurrogate(text[cut - 1])) --cut;
  return text.substr(0, cut);
}

std::u16string ToU16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The extension (with its dot) kept when a name is shortened; empty when there is none or it is too long.
std::u16string_view KeptExtension(std::u16string_view name) {
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0 || name.size() - dot > LongestKeptExtension) return {};
  return name.substr(dot);
}

std::size_t MaxUnits(std::u16string_view text) { return (MaxIdentifierBytes - 1) / (FitsOneByte(text) ? 1 : 2); }

std::u16string ShortenedCandidate(std::u16string_view name, unsigned number) {
  const std::u16string_view extension = KeptExtension(name);
  const std::u16string_view stem = name.substr(0, name.size() - extension.size());
  const std::u16string tail = ToU16("~" + std::to_string(number)) + std::u16string(extension);
  return std::u16string(CutAtCharacter(stem, MaxUnits(name) - tail.size())) + tail;
}

}  // namespace

EncodedName EncodeCompressedUnicode(std::u16string_view text) {
  EncodedName out;
  if (text.empty()) return out;
  if (FitsOneByte(text)) {
    out.reserve(text.size() + 1);
    out.push_back(ByteCompression);
    for (char16_t unit : text) out.push_back(static_cast<std::uint8_t>(unit));
  } else {
    out.reserve(2 * text.size() + 1);
    out.push_back(WordCompression);
    for (char16_t unit : text) {
      out.push_back(static_cast<std::uint8_t>(unit >> 8));
      out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    }
  }
  return out;
}

std::u16string_view FitToEncodedBytes(std::u16string_view text, std::size_t maxBytes) {
  if (maxBytes == 0) return {};
  const std::size_t unitBytes = FitsOneByte(text) ? 1 : 2;
  return CutAtCharacter(text, (maxBytes - 1) / unitBytes);
}

void WriteDstring(std::span<std::uint8_t> field, std::u16string_view text) {
  std::fill(field.begin(), field.end(), 0);
  const EncodedName encoded = EncodeCompressedUnicode(FitToEncodedBytes(text, field.size() - 1));
  std::copy(encoded.begin(), encoded.end(), field.begin());
  field.back() = static_cast<std::uint8_t>(encoded.size());
}

std::vector<EncodedName> MakeDirectoryIdentifiers(const std::vector<std::u16string>& names) {
  std::set<std::u16string> taken;
  for (const auto& name : names) {
    if (EncodeCompressedUnicode(name).size() <= MaxIdentifierBytes) taken.insert(name);
  }
  std::vector<EncodedName> identifiers;
  identifiers.reserve(names.size());
  for (const auto& name : names) {
    EncodedName encoded = EncodeCompressedUnicode(name);
    if (encoded.size() > MaxIdentifierBytes) {
      std::u16string candidate;
      unsigned number = 1;
      do {
        candidate = ShortenedCandidate(name, number++);
      } while (!taken.insert(candidate).second);
      encoded = EncodeCompressedUnicode(candidate);
    }
    identifiers.push_back(std::move(encoded));
  }
  return identifiers;
}

}  // namespace velmarond::udf
