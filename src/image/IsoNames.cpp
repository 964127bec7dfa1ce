#include "image/IsoNames.h"

#include <unordered_set>
#include <vector>

#include "image/FileTable.h"
#include "image/TextCodec.h"

namespace velmarond::image {
namespace {

char ToDCharacter(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char>(unit - u'a' + 'A');
  if ((unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9') || unit == u'_') return static_cast<char>(unit);
  return '_';
}

// Maps to d-characters; a surrogate pair stands for one character and gives one '_'.
std::string ToDCharacters(std::u16string_view text, std::size_t maxChars) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && out.size() < maxChars; ++i) {
    out += ToDCharacter(text[i]);
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF) ++i;
  }
  return out;
}

bool IsJolietForbidden(char16_t unit) {
  return unit < 0x20 || unit == u'*' || unit == u'/' || unit == u':' || unit == u';' || unit == u'?' ||
         unit == u'\\';
}

// Splits a name at its last dot into stem and extension (with the dot). A leading dot starts no
// extension, and an extension longer than `maxExtension` counts as part of the stem.
template <typename S>
std::pair<S, S> SplitExtension(const S& name, std::size_t maxExtension) {
  const auto dot = name.rfind('.');
  if (dot == S::npos || dot == 0 || name.size() - dot > maxExtension + 1) return {name, S()};
  return {name.substr(0, dot), name.substr(dot)};
}

template <typename S>
S Suffix(unsigned number, char mark = '~') {
  const std::string digits = mark + std::to_string(number);
  return S(digits.begin(), digits.end());
}

std::size_t PrefixLength(std::u16string_view text, std::size_t max) { return Utf16PrefixLength(text, max); }
std::size_t PrefixLength(std::string_view text, std::size_t max) { return Utf8PrefixLength(text, max); }

// `stem` + `mark` + `extension`, the stem shortened (at a character boundary) so that the whole fits.
template <typename S>
S Compose(const S& stem, const S& mark, const S& extension, std::size_t limit) {
  const std::size_t room = limit > mark.size() + extension.size() ? limit - mark.size() - extension.size() : 1;
  return stem.substr(0, PrefixLength(stem, room)) + mark + extension;
}

// One name space of one directory: first come keep their name, later duplicates get a variant.
template <typename S>
class TUniqueNames {
 public:
  explicit TUniqueNames(std::size_t count) { Used.reserve(count * 2); }

  bool TryClaim(const S& key) { return Used.insert(key).second; }

  template <typename Variant, typename KeyOf>
  S ClaimVariant(Variant&& variant, KeyOf&& keyOf) {
    for (;;) {
      S candidate = variant(++Counter);
      if (Used.insert(keyOf(candidate)).second) return candidate;
    }
  }

 private:
  std::unordered_set<S> Used;
  unsigned Counter = 0;
};

// ISO readers drop a trailing dot, so "ABC." and "ABC" must count as the same name.
std::string IsoKey(const std::string& name) {
  return (!name.empty() && name.back() == '.') ? name.substr(0, name.size() - 1) : name;
}

std::string IsoVariant(const std::string& name, bool isDirectory, unsigned number) {
  // '~' is no d-character, so ISO names take '_' as the mark.
  const std::string mark = Suffix<std::string>(number, '_');
  if (isDirectory) return Compose(name, mark, std::string(), IsoDirectoryChars);
  const auto dot = name.find('.');
  const std::string stem = name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "." : name.substr(dot);
  return Compose(stem, mark, std::string(), IsoFileStemChars) + extension;
}

template <typename S>
S LongVariant(const S& name, std::size_t limit, unsigned number) {
  auto [stem, extension] = SplitExtension(name, 16);
  return Compose(stem, Suffix<S>(number), extension, limit);
}

std::vector<TFileEntry*> Children(TDirEntry& directory) {
  std::vector<TFileEntry*> children;
  children.reserve(directory.ChildCount);
  for (TFileEntry* entry = directory.FirstChild; entry != nullptr; entry = entry->Next) children.push_back(entry);
  return children;
}

// Runs the two passes for one name space: `nameOf` reads an entry's candidate, `store` writes its final name.
template <typename S, typename NameOf, typename KeyOf, typename Variant, typename Store>
void MakeUnique(const std::vector<TFileEntry*>& children, NameOf nameOf, KeyOf keyOf, Variant variant, Store store) {
  TUniqueNames<S> names(children.size());
  std::vector<TFileEntry*> clashing;
  for (TFileEntry* entry : children) {
    if (!names.TryClaim(keyOf(nameOf(*entry)))) clashing.push_back(entry);
  }
  for (TFileEntry* entry : clashing) {
    const S base = nameOf(*entry);
    store(*entry, names.ClaimVariant([&](unsigned n) { return variant(*entry, base, n); }, keyOf));
  }
}

void AssignIsoNames(const std::vector<TFileEntry*>& children) {
  MakeUnique<std::string>(
      children, [](TFileEntry& e) { return e.ShortName; }, IsoKey,
      [](TFileEntry& e, const std::string& base, unsigned n) { return IsoVariant(base, e.IsDirectory(), n); },
      [](TFileEntry& e, std::string name) { e.ShortName = std::move(name); });
  for (TFileEntry* entry : children) {
    if (entry->IsDirectory()) entry->Directory->ShortName = entry->ShortName;
  }
}

void AssignJolietNames(const std::vector<TFileEntry*>& children) {
  for (TFileEntry* entry : children) {
    std::u16string candidate = JolietCandidateName(entry->LongName);
    entry->JolietName = candidate == entry->LongName ? std::u16string() : std::move(candidate);
  }
  auto nameOf = [](TFileEntry& e) { return e.JolietName.empty() ? e.LongName : e.JolietName; };
  MakeUnique<std::u16string>(
      children, nameOf, [](const std::u16string& name) { return name; },
      [](TFileEntry&, const std::u16string& base, unsigned n) { return LongVariant(base, MaxJolietUnits, n); },
      [](TFileEntry& e, std::u16string name) { e.JolietName = std::move(name); });
}

void AssignIso1999Names(const std::vector<TFileEntry*>& children) {
  for (TFileEntry* entry : children) {
    std::string full = Utf16ToUtf8(entry->LongName);
    // Readers split an identifier at ';' to find its version number, so it cannot stay in a name.
    for (char& c : full) {
      if (c == ';' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    if (full.size() > MaxIso1999Bytes) {
      auto [stem, extension] = SplitExtension(full, 16);
      full = Compose(stem, std::string(), extension, MaxIso1999Bytes);
    }
    entry->Iso1999Name = std::move(full);
  }
  MakeUnique<std::string>(
      children, [](TFileEntry& e) { return e.Iso1999Name; }, [](const std::string& name) { return name; },
      [](TFileEntry&, const std::string& base, unsigned n) { return LongVariant(base, MaxIso1999Bytes, n); },
      [](TFileEntry& e, std::string name) { e.Iso1999Name = std::move(name); });
}

}  // namespace

std::string IsoCandidateName(std::u16string_view name, IsoNameKind kind) {
  if (kind == IsoNameKind::Directory) {
    std::string out = ToDCharacters(name, IsoDirectoryChars);
    return out.empty() ? "_" : out;
  }
  const auto dot = name.rfind(u'.');
  const bool hasExtension = dot != std::u16string_view::npos && dot != 0;
  std::string stem = ToDCharacters(hasExtension ? name.substr(0, dot) : name, IsoFileStemChars);
  if (stem.empty()) stem.push_back('_');
  const std::string extension = hasExtension ? ToDCharacters(name.substr(dot + 1), IsoFileExtensionChars) : "";
  stem += '.';
  stem.append(extension);
  return stem;
}

std::u16string JolietCandidateName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& unit : out) {
    if (IsJolietForbidden(unit)) unit = u'_';
  }
  if (out.size() <= MaxJolietUnits) return out;
  auto [stem, extension] = SplitExtension(out, 16);
  return Compose(stem, std::u16string(), extension, MaxJolietUnits);
}

void AssignTreeNames(TDirEntry& directory, bool iso1999) {
  const std::vector<TFileEntry*> children = Children(directory);
  AssignIsoNames(children);
  AssignJolietNames(children);
  if (iso1999) AssignIso1999Names(children);
}

}  // namespace velmarond::image
