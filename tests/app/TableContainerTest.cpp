#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/core/TableContainer.h"
#include "app/core/TableFile.h"

using namespace velmarond::app;

namespace {

TTable SampleTable() {
  TTable table({{"C", TFieldType::Integer}, {"A", TFieldType::Blob}, {"N", TFieldType::Text}});
  for (int i = 0; i < 3; ++i) {
    const int row = table.AppendRow();
    table.SetValue(row, 0, qint64{-5} + i * 1'000'000'000'000LL);
    table.SetValue(row, 1, QByteArray("\x00\xFF\x10", 3).repeated(i));
    table.SetValue(row, 2, QStringLiteral("Grüße %1 ;=\n").arg(i));
  }
  return table;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

}  // namespace

class TableContainerTest : public QObject {
  Q_OBJECT
 private slots:
  void RoundTripKeepsEveryValueAndOrder() {
    const TTable table = SampleTable();
    auto parsed = ParseTable(SerializeTable(table));
    QVERIFY(parsed.HasValue());
    QCOMPARE(*parsed, table);
  }

  void DamagedBytesAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = SerializeTable(SampleTable());
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    QByteArray badVersion = good;
    badVersion[8] = 9;
    QByteArray flippedPayload = good;
    flippedPayload[good.size() - 2] = static_cast<char>(flippedPayload[good.size() - 2] ^ 0x40);
    QByteArray hugeRowCount = good;
    hugeRowCount[12] = hugeRowCount[13] = hugeRowCount[14] = '\x7F';
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header only, truncated") << good.left(20);
    QTest::newRow("truncated payload") << good.left(good.size() - 1);
    QTest::newRow("extra byte") << good + QByteArray(1, '\0');
    QTest::newRow("wrong magic") << badMagic;
    QTest::newRow("unknown version") << badVersion;
    QTest::newRow("payload changed") << flippedPayload;
    QTest::newRow("row count beyond data") << hugeRowCount;
  }
  void DamagedBytesAreRefused() {
    QFETCH(QByteArray, bytes);
    QVERIFY(!ParseTable(bytes).HasValue());
  }

  void CrashBeforeRenameLeavesOldFileIntact() {
    QTemporaryDir dir;
    const QString path = dir.filePath("VELMAROND.CFG");
    TTable old = SampleTable();
    QVERIFY(SaveTableToFile(path, old).HasValue());
    TTable changed = old;
    changed.SetValue(0, 2, QStringLiteral("new"));
    // The process dies after writing the temporary file and before the rename.
    auto temporary = WriteTemporaryTableFile(path, changed);
    QVERIFY(temporary.HasValue());
    auto loaded = LoadTableFromFile(path);
    QVERIFY(std::holds_alternative<TTable>(loaded));
    QCOMPARE(std::get<TTable>(loaded), old);
    // The next save replaces the leftover temporary file and succeeds.
    QVERIFY(SaveTableToFile(path, changed).HasValue());
    QCOMPARE(std::get<TTable>(LoadTableFromFile(path)), changed);
    QVERIFY(!QFile::exists(*temporary));
  }

  void LoadTellsMissingFromDamaged() {
    QTemporaryDir dir;
    const QString path = dir.filePath("T");
    auto missing = LoadTableFromFile(path, 1);
    QCOMPARE(std::get<TLoadError>(missing).Kind, TLoadFailure::Missing);
    WriteBytes(path, "plain text, not a table");
    QCOMPARE(std::get<TLoadError>(LoadTableFromFile(path, 1)).Kind, TLoadFailure::Damaged);
  }

  void DamagedFileIsKeptAside() {
    QTemporaryDir dir;
    const QString path = dir.filePath("VELMAROND.CFG");
    WriteBytes(path, "damaged");
    auto aside = KeepDamagedFileAside(path);
    QVERIFY(aside.HasValue());
    QVERIFY(!QFile::exists(path));
    QFile kept(*aside);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("damaged"));
  }
};

QTEST_GUILESS_MAIN(TableContainerTest)
#include "TableContainerTest.moc"
