#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/core/LanguageDifferences.h"
#include "app/core/LanguageFile.h"
#include "app/core/LanguageFolder.h"
#include "app/core/LanguageTools.h"
#include "app/core/Languages.h"

#if __has_include("device/SenseTexts.h")
#include "device/SenseTexts.h"
#define VELMAROND_HAS_SENSE_TEXTS 1
#endif

using namespace velmarond::app;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

}  // namespace

class LanguagesTest : public QObject {
  Q_OBJECT
  QTemporaryDir Folder;

 private slots:
  void init() {
    for (const QString& name : QDir(Folder.path()).entryList(QDir::Files)) QFile::remove(Folder.filePath(name));
  }

  void EnglishLookups_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("status text") << 10 << 0 << "Velmarond ready!!!";
    QTest::newRow("empty in English") << 1 << 7 << "1-7";
    QTest::newRow("absent number") << 11 << 9999 << "11-9999";
    QTest::newRow("reserved caption keeps its blank") << 0 << 0 << "Velmarond DVD Burning ";
    QTest::newRow("escapes become line breaks") << 17 << 23 << "Sessions found!!!\r\n\r\nContinue without importing session?";
  }
  void EnglishLookups() {
    QFETCH(int, section);
    QFETCH(int, number);
    QFETCH(QString, expected);
    TLanguages languages(Folder.path());
    QCOMPARE(languages.GetLanguageText(section, number), expected);
  }

  void EnglishFileHoldsTheSenseTexts() {
    const TLanguageFile english = TLanguageFile::FromBytes(EmbeddedLanguageFile("english.ini"));
    QCOMPARE(english.Text("errors", "1024"), QStringLiteral("LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"));
    QCOMPARE(english.Text("errors", "8450"), QStringLiteral("INVALID ADDRESS FOR WRITE"));
    QCOMPARE(english.Text("errors", "24063"), QStringLiteral("FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)"));
    QVERIFY(english.Text("errors", "0").isEmpty());  // not listed in the language file
  }

  // The [errors] section repeats the device layer's sense texts; they must never drift apart.
  void SenseTextsMatchTheDeviceLayer() {
#ifdef VELMAROND_HAS_SENSE_TEXTS
    const TLanguageFile english = TLanguageFile::FromBytes(EmbeddedLanguageFile("english.ini"));
    for (const auto& section : english.Sections()) {
      if (section.Name != "errors") continue;
      for (const auto& entry : section.Entries) {
        const int key = entry.Key.toInt();
        const auto text = velmarond::device::AscAscqText(static_cast<std::uint8_t>(key / 256), static_cast<std::uint8_t>(key % 256));
        QVERIFY2(text.has_value(), qPrintable(entry.Key));
        QCOMPARE(entry.Text, QString::fromUtf8(text->data(), text->size()));
      }
    }
#else
    QSKIP("the device layer's sense texts are not part of this build");
#endif
  }

  void EscapesInOrderAndAnyCase_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("two lines") << "one%0D%0Atwo" << "one\r\ntwo";
    QTest::newRow("lower-case hex") << "a%0d%0ab" << "a\r\nb";
    QTest::newRow("ends in percent") << "50%25" << "50%";
    QTest::newRow("escaped escape stays literal") << "%250D" << "%0D";
    QTest::newRow("lone percent") << "100 %" << "100 %";
  }
  void EscapesInOrderAndAnyCase() {
    QFETCH(QString, raw);
    QFETCH(QString, expanded);
    QCOMPARE(ExpandLanguageEscapes(raw), expanded);
  }

  void PlaceholdersAreFilledIgnoringCase() {
    TLanguages languages(Folder.path());
    QCOMPARE(languages.GetLanguageTextWith(1, 0, {"<#VALUE>=a<b"}), QStringLiteral("Invalid name \"a<b\"!!!"));
    QCOMPARE(languages.GetLanguageTextWith(12, 11, {"<#files>=3", "<#directories>=1"}),
             QStringLiteral("Added 3 files and 1 folders"));
    QCOMPARE(languages.GetLanguageTextWith(12, 11, {"<#files>=3"}),
             QStringLiteral("Added 3 files and <#directories> folders"));
  }

  void TranslationFallsBackToEnglishAndIsFoundInAnyCase() {
    WriteFile(Folder.filePath("German.ini"), "// comment\n[11]\n0=Bereit\n100=\n[10]\n0=Velmarond bereit!!!\n");
    TLanguages languages(Folder.path());
    QVERIFY(languages.SelectLanguage("german"));
    QCOMPARE(languages.LanguageName(), QStringLiteral("GERMAN"));
    QCOMPARE(languages.GetLanguageText(11, 0), QStringLiteral("Bereit"));
    QCOMPARE(languages.GetLanguageText(11, 100), QStringLiteral("No sessions found"));
    QVERIFY(QFile::exists(Folder.filePath("ENGLISH.INI")));
  }

  void MissingTranslationKeepsEnglish() {
    TLanguages languages(Folder.path());
    QVERIFY(languages.SelectLanguage("KLINGON"));
    QCOMPARE(languages.LanguageName(), QStringLiteral("ENGLISH"));
    QCOMPARE(languages.GetLanguageText(11, 0), QStringLiteral("Ready"));
  }

  void SingleByteFileIsReadAsWindows1252() {
    QCOMPARE(DecodeLanguageBytes(QByteArray("Gr\xFC\xDF" "e \x80 \x93x\x94", 11)), QString::fromUtf8("Grüße € “x”"));
    QCOMPARE(DecodeLanguageBytes(QByteArray("\xEF\xBB\xBFN\xC2\xB0 1")), QString::fromUtf8("N° 1"));
  }

  void WritingReplacesOtherSpellings() {
    WriteFile(Folder.filePath("french.Ini"), "[1]\n0=old\n");
    QVERIFY(WriteLanguageFile(Folder.path(), "French", "[1]\n0=new\n").HasValue());
    QCOMPARE(QDir(Folder.path()).entryList(QDir::Files), QStringList{"FRENCH.INI"});
    QCOMPARE(ListLanguages(Folder.path()), QStringList{"FRENCH"});
    QVERIFY(DeleteLanguageFile(Folder.path(), "french"));
    QVERIFY(FindLanguageFile(Folder.path(), "FRENCH").isEmpty());
  }

  void DifferencesReportListsEmptyKeys() {
    const auto english = TLanguageFile::FromLines({"[1]", "0=Zero", "1=One", "[2]", "0=Two"});
    const auto translation = TLanguageFile::FromLines({"[1]", "0=Null", "1=  ", "[2]", "0=Zwei"});
    QCOMPARE(BuildDifferencesReport(english, translation), QStringLiteral("[1]\n1=One\n\nSection [2] OK\n\n"));
    QCOMPARE(DifferencesReportFileName("german"), QStringLiteral("Differences_GERMAN.txt"));
  }

  void NewLanguageNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("check");
    QTest::newRow("blank") << "  " << int(TNewLanguageCheck::EmptyName);
    QTest::newRow("english in any case") << " english " << int(TNewLanguageCheck::EnglishRefused);
    QTest::newRow("existing in other case") << "dutch" << int(TNewLanguageCheck::AlreadyExists);
    QTest::newRow("new") << "Italian" << int(TNewLanguageCheck::Ok);
  }
  void NewLanguageNames() {
    QFETCH(QString, name);
    QFETCH(int, check);
    WriteFile(Folder.filePath("Dutch.ini"), "[1]\n");
    QCOMPARE(int(CheckNewLanguageName(Folder.path(), name)), check);
    QVERIFY(!CanDeleteLanguage("English"));
  }

  void NewTranslationThenDifferencesReport() {
    QVERIFY(CreateLanguageFromEnglish(Folder.path(), "Pirate").HasValue());
    QFile file(Folder.filePath("PIRATE.INI"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray text = file.readAll();
    text.replace("100=No sessions found", "100=");
    file.resize(0);
    file.write(text);
    file.close();
    TLanguages languages(Folder.path());
    auto report = WriteDifferencesReport(languages, "pirate");
    QVERIFY(report.HasValue());
    QCOMPARE(*report, Folder.filePath("Differences_PIRATE.txt"));
    QFile saved(*report);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(saved.readAll());
    QVERIFY(content.contains("[11]\n100=No sessions found\n"));
    QVERIFY(content.contains("Section [10] OK\n"));
    QVERIFY(!WriteDifferencesReport(languages, "ENGLISH").HasValue());
  }

  void ParserKeepsTrailingBlanksAndSkipsNoise() {
    const auto file = TLanguageFile::FromLines({"1=before any section", "[3]", "// 18=commented", "18=Overwrite? ",
                                                "no equals sign", " 19 = spaced"});
    QVERIFY(file.Text("3", "18") == QStringLiteral("Overwrite? "));
    QCOMPARE(file.Text("3", "19"), QStringLiteral(" spaced"));
    QVERIFY(file.Text("1", "1").isEmpty());
  }
};

QTEST_GUILESS_MAIN(LanguagesTest)
#include "LanguagesTest.moc"
