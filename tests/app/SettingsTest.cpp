#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/core/Settings.h"
#include "app/core/SettingsStore.h"

using namespace velmarond::app;

class SettingsTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;
  QString Folder() const { return Home.path() + QLatin1Char('/'); }

 private slots:
  void init() {
    QDir(Home.path()).removeRecursively();
    QDir().mkpath(Home.path());
  }

  void MissingFileGivesDefaultsAndIsCreatedAtOnce() {
    TSettingsStore store(Folder());
    const auto outcome = store.LoadSettingsFile(1);
    QVERIFY(!outcome.Loaded);
    QCOMPARE(outcome.Failure, TLoadFailure::Missing);
    QVERIFY(QFile::exists(Home.filePath("VELMAROND.CFG")));
    const TSettingsFields fields = LoadSettings(store, Folder());
    QCOMPARE(fields.LanguageName, QStringLiteral("ENGLISH"));
    QCOMPARE(fields.ToolbarLayout, QStringLiteral("2;3;7;32;0;1;9;10;22;24;34;21;11"));
    QCOMPARE(fields.DataCacheSizeMB, 32);
    QCOMPARE(fields.DropWindowAlpha, 180);
    QCOMPARE(fields.ProgressTop, -10000);
    QVERIFY(fields.ConfirmDeleteAll.Answer && !fields.ConfirmDeleteAll.Suppressed);
    QVERIFY(!fields.WindowTop.has_value());
    QCOMPARE(fields.WavFolder, Folder() + "wav/");
    QVERIFY(QDir(Folder() + "wav").exists());
  }

  void SecondStartReadsWhatTheFirstSaved() {
    {
      TSettingsStore store(Folder());
      (void)store.LoadSettingsFile(1);
      TSettingsFields fields = LoadSettings(store, Folder());
      fields.WindowTop = 40;
      fields.LanguageName = "GERMAN";
      fields.ConfirmNormalErase.Suppressed = true;
      fields.AudioTrackPauseMs = 2000;
      fields.TreeHeaderState = QByteArray("\x01\x02header", 8);
      SaveSettings(fields, "0.1.0.0", store);
    }
    TSettingsStore store(Folder());
    QVERIFY(store.LoadSettingsFile(1).Loaded);
    const TSettingsFields fields = LoadSettings(store, Folder());
    QCOMPARE(fields.WindowTop, std::optional<int>(40));
    QCOMPARE(fields.LanguageName, QStringLiteral("GERMAN"));
    QVERIFY(fields.ConfirmNormalErase.Suppressed);
    QCOMPARE(fields.AudioTrackPauseMs, 2000);
    QCOMPARE(fields.TreeHeaderState, QByteArray("\x01\x02header", 8));
    QCOMPARE(store.ReadSetting("0.13"), std::optional<QString>("0.1.0.0"));
  }

  void StoredValuesWithSpecialRules_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cache below 16 raised") << "1.5" << "12" << "DataCacheSizeMB" << "16";
    QTest::newRow("audio cache below 16 raised") << "1.20" << "3" << "AudioCacheSizeMB" << "16";
    QTest::newRow("only 1 is true") << "0.8" << "yes" << "LogVisible" << "0";
    QTest::newRow("key in other case") << "1.1" << "0" << "DataJoliet" << "0";
    QTest::newRow("integer that does not convert keeps default") << "4.2" << "12x" << "DropWindowAlpha" << "180";
    QTest::newRow("geometry that does not convert is ignored") << "0.0" << "top" << "WindowTop" << "none";
    QTest::newRow("header of bad base64 length ignored") << "1.40" << "abc" << "TreeHeaderState" << "";
  }
  void StoredValuesWithSpecialRules() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    TSettingsStore store(Folder());
    QVERIFY(store.WriteSetting(key.toLower(), stored));
    const TSettingsFields f = LoadSettings(store, Folder());
    const QHash<QString, QString> actual = {
        {"DataCacheSizeMB", QString::number(f.DataCacheSizeMB)},
        {"AudioCacheSizeMB", QString::number(f.AudioCacheSizeMB)},
        {"LogVisible", f.LogVisible ? "1" : "0"},
        {"DataJoliet", f.DataJoliet ? "1" : "0"},
        {"DropWindowAlpha", QString::number(f.DropWindowAlpha)},
        {"WindowTop", f.WindowTop ? QString::number(*f.WindowTop) : "none"},
        {"TreeHeaderState", QString::fromLatin1(f.TreeHeaderState)}};
    QCOMPARE(actual.value(field), expected);
  }

  void LookupIgnoresLetterCaseAndWriteReplaces() {
    TSettingsStore store(Folder());
    store.WriteSetting("a.b", "1");
    store.WriteSetting("A.B", "2");
    QCOMPARE(store.ReadSetting("a.B"), std::optional<QString>("2"));
    QCOMPARE(store.Table().RowCount(), 1);
    QVERIFY(!store.ReadSetting("9.9").has_value());
    QVERIFY(store.ReadBoolSetting("9.9", true));
  }

  void UnknownKeysSurviveLoadAndSave() {
    {
      TSettingsStore store(Folder());
      (void)store.LoadSettingsFile(1);
      store.WriteSetting("8.33", "cover option");
      store.WriteSetting("X.1", "someone else's");
      SaveSettings(LoadSettings(store, Folder()), "1", store);
    }
    TSettingsStore store(Folder());
    QVERIFY(store.LoadSettingsFile(1).Loaded);
    SaveSettings(LoadSettings(store, Folder()), "1", store);
    TSettingsStore again(Folder());
    QVERIFY(again.LoadSettingsFile(1).Loaded);
    QCOMPARE(again.ReadSetting("8.33"), std::optional<QString>("cover option"));
    QCOMPARE(again.ReadSetting("x.1"), std::optional<QString>("someone else's"));
  }

  void WavFolderThatCannotBeCreatedFallsBackToDefault() {
    QFile blocker(Home.filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TSettingsStore store(Folder());
    store.WriteSetting("1.34", Home.filePath("blocker/wav"));
    QCOMPARE(LoadSettings(store, Folder()).WavFolder, Folder() + "wav/");
    store.WriteSetting("1.34", Home.filePath("mine"));
    QCOMPARE(LoadSettings(store, Folder()).WavFolder, Home.filePath("mine") + "/");
  }

  void DamagedOrTruncatedFileIsKeptAsideAndDefaultsUsed_data() {
    QTest::addColumn<int>("cut");
    QTest::newRow("damaged") << -1;
    QTest::newRow("truncated") << 30;
  }
  void DamagedOrTruncatedFileIsKeptAsideAndDefaultsUsed() {
    QFETCH(int, cut);
    {
      TSettingsStore store(Folder());
      (void)store.LoadSettingsFile(1);
      store.WriteSetting("0.4", "FRENCH");
      QVERIFY(store.SaveSettingsFile());
    }
    const QString path = Home.filePath("VELMAROND.CFG");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    if (cut < 0)
      bytes[bytes.size() - 3] = 'Z';
    else
      bytes.truncate(cut);
    file.resize(0);
    file.write(bytes);
    file.close();

    TSettingsStore store(Folder());
    const auto outcome = store.LoadSettingsFile(1);
    QVERIFY(!outcome.Loaded);
    QCOMPARE(outcome.Failure, TLoadFailure::Damaged);
    QFile kept(outcome.DamagedFileKeptAs);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), bytes);
    QCOMPARE(LoadSettings(store, Folder()).LanguageName, QStringLiteral("ENGLISH"));
    TSettingsStore fresh(Folder());
    QVERIFY(fresh.LoadSettingsFile(1).Loaded);  // the new file with defaults is valid
  }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
