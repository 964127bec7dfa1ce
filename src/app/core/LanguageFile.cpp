#include "app/core/LanguageFile.h"

#include <QStringDecoder>
#include <array>

namespace velmarond::app {
namespace {

// Windows-1252 differs from Latin-1 only in 80h..9Fh; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString DecodeWindows1252(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x80 && value <= 0x9F) {
      const char16_t mapped = Windows1252High[value - 0x80];
      text.append(mapped ? QChar(mapped) : QChar(QChar::ReplacementCharacter));
    } else {
      text.append(QChar(value));
    }
  }
  return text;
}

bool IsCommentOrBlank(const QString& trimmed) { return trimmed.isEmpty() || trimmed.startsWith(QLatin1String("//")); }

}  // namespace

QString DecodeLanguageBytes(const QByteArray& bytes) {
  QByteArray body = bytes;
  if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(body);
  if (!utf8.hasError()) return text;
  return DecodeWindows1252(body);
}

TLanguageFile TLanguageFile::FromBytes(const QByteArray& bytes) {
  QString text = DecodeLanguageBytes(bytes);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return FromLines(text.split(QLatin1Char('\n')));
}

TLanguageFile TLanguageFile::FromLines(const QStringList& lines) {
  TLanguageFile file;
  TSection* current = nullptr;
  for (const QString& line : lines) {
    const QString trimmed = line.trimmed();
    if (IsCommentOrBlank(trimmed)) continue;
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
      file.SectionList.append({trimmed.mid(1, trimmed.size() - 2).trimmed(), {}});
      current = &file.SectionList.last();
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (!current || equals < 0) continue;
    // The text keeps its trailing blanks: some texts are followed by a name.
    current->Entries.append({line.left(equals).trimmed(), line.mid(equals + 1)});
  }
  return file;
}

const TLanguageFile::TSection* TLanguageFile::FindSection(const QString& name) const {
  for (const auto& section : SectionList)
    if (section.Name.compare(name, Qt::CaseInsensitive) == 0) return &section;
  return nullptr;
}

QString TLanguageFile::Text(const QString& section, const QString& key) const {
  const TSection* found = FindSection(section);
  if (!found) return {};
  for (const auto& entry : found->Entries)
    if (entry.Key.compare(key, Qt::CaseInsensitive) == 0) return entry.Text;
  return {};
}

QString ExpandLanguageEscapes(QString text) {
  if (!text.contains(QLatin1Char('%'))) return text;
  text.replace(QLatin1String("%0D"), QLatin1String("\r"), Qt::CaseInsensitive);
  text.replace(QLatin1String("%0A"), QLatin1String("\n"), Qt::CaseInsensitive);
  text.replace(QLatin1String("%25"), QLatin1String("%"), Qt::CaseInsensitive);
  return text;
}

}  // namespace velmarond::app
