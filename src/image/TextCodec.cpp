#include "image/TextCodec.h"

#include <cstdint>

namespace velmarond::image {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at `at`, or 0 when the bytes there do not form one.
std::size_t SequenceLength(std::string_view text, std::size_t at, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!IsContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  codePoint = value;
  return length;
}

void AppendUtf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0 | (value >> 6));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0 | (value >> 12));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (value >> 18));
    out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (value & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t value = 0;
    std::size_t length = SequenceLength(text, at, value);
    if (length == 0) {
      value = static_cast<unsigned char>(text[at]);
      length = 1;
    }
    at += length;
    if (value >= 0x10000) {
      value -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (value >> 10));
      out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    char32_t value = text[at];
    if (value >= 0xD800 && value <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
        text[at + 1] <= 0xDFFF) {
      value = 0x10000 + ((value - 0xD800) << 10) + (text[at + 1] - 0xDC00);
      ++at;
    } else if (value >= 0xD800 && value <= 0xDFFF) {
      value = 0xFFFD;
    }
    AppendUtf8(out, value);
  }
  return out;
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t cut = maxBytes;
  while (cut > 0 && IsContinuation(static_cast<unsigned char>(text[cut]))) --cut;
  return cut;
}

std::size_t Utf16PrefixLength(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return text.size();
  std::size_t cut = maxUnits;
  if (cut > 0 && text[cut] >= 0xDC00 && text[cut] <= 0xDFFF) --cut;
  return cut;
}

}  // namespace velmarond::image
