#pragma once
// One language file: INI text with "[section]" headers, "number=text" lines and "//" comment lines.
// Files are read as UTF-8; a file that is not valid UTF-8 is read as Windows-1252, the single-byte
// code page the older translations were written in.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace velmarond::app {

QString DecodeLanguageBytes(const QByteArray& bytes);

class TLanguageFile {
 public:
  struct TEntry {
    QString Key;
    QString Text;
  };
  struct TSection {
    QString Name;
    QList<TEntry> Entries;
  };

  static TLanguageFile FromBytes(const QByteArray& bytes);
  static TLanguageFile FromLines(const QStringList& lines);

  // The raw text as written in the file (escapes not expanded); empty when absent.
  QString Text(const QString& section, const QString& key) const;
  const QList<TSection>& Sections() const { return SectionList; }
  bool IsEmpty() const { return SectionList.isEmpty(); }

 private:
  const TSection* FindSection(const QString& name) const;
  QList<TSection> SectionList;
};

// "%0D" becomes CR, then "%0A" LF, then "%25" "%"; hex digits in either letter case.
QString ExpandLanguageEscapes(QString text);

}  // namespace velmarond::app
