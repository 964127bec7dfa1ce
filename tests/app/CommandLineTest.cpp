#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/core/CommandLine.h"

using namespace velmarond::app;

namespace {

// Records every call in order, as "Name" or "Name(argument)".
class TRecordingTarget : public TCommandTarget {
 public:
  QStringList Calls;
  bool AudioFiles = false;
  bool ProgressWindow = false;

  bool BurnProgressWindowExists() const override { return ProgressWindow; }
  void RestoreAndRaise() override { Calls << "Restore"; }
  void ShowMainWindow() override { Calls << "Show"; }
  void BeginAdding() override { Calls << "BeginAdding"; }
  void EndAdding() override { Calls << "EndAdding"; }
  void ShowWaitCursor() override { Calls << "Wait"; }
  void RestoreCursor() override { Calls << "Cursor"; }
  void RefreshCompilationState(TRefresh refresh) override { Calls << (refresh == TRefresh::Full ? "RefreshFull" : "RefreshQuiet"); }
  bool HasAudioFiles() const override { return AudioFiles; }
  void AddToCompilationRoot(const QString& path) override { Calls << "Add(" + path + ")"; }
  bool RemovePathFromCompilation(const QString& text) override { Calls << "Remove(" + text + ")"; return true; }
  void ImportPlaylist(const QString& path) override { Calls << "Playlist(" + path + ")"; }
  void ScrollToLastVisibleNode() override { Calls << "Scroll"; }
  void LoadProject(const QString& path) override { Calls << "Project(" + path + ")"; }
  void StartBurnImage(const QString& path) override { Calls << "BurnImage(" + path + ")"; }
  void StartErase() override { Calls << "Erase"; }
  void ShowDiscInformation() override { Calls << "DiscInfo"; }
  void DeleteAll() override { Calls << "DeleteAll"; }
  void StartDataBurn() override { Calls << "DataBurn"; }
  void ChooseBurnMode() override { Calls << "ChooseMode"; }
  void ShowDropWindow() override { Calls << "Drop"; }
};

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT
  QTemporaryDir Dir;

  QString MakeFile(const QString& name, const QByteArray& content = {}) {
    QFile file(Dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(content);
    return file.fileName();
  }

 private slots:
  void Verbs_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("audio");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("result");
    QTest::newRow("restore") << "r" << false << QStringList{"Restore", "Show"} << true;
    QTest::newRow("erase") << " E " << false << QStringList{"Show", "Erase"} << true;
    QTest::newRow("disc information") << "I" << false << QStringList{"Show", "DiscInfo"} << true;
    QTest::newRow("delete all") << "C" << false << QStringList{"Show", "DeleteAll"} << true;
    QTest::newRow("burn data") << "B" << false << QStringList{"RefreshQuiet", "DataBurn"} << false;
    QTest::newRow("burn with audio asks the mode") << "AB" << true << QStringList{"RefreshQuiet", "ChooseMode"} << false;
    QTest::newRow("drop window") << "fly" << false << QStringList{"Drop"} << true;
    QTest::newRow("add only") << "A" << false << QStringList{} << true;
    QTest::newRow("unknown verb") << "ZZ" << false << QStringList{} << true;
    QTest::newRow("missing list file still refreshes") << "A /no/such/list" << false << QStringList{"RefreshFull"} << true;
    QTest::newRow("empty") << "   " << false << QStringList{} << true;
  }
  void Verbs() {
    QFETCH(QString, line);
    QFETCH(bool, audio);
    QFETCH(QStringList, calls);
    QFETCH(bool, result);
    TRecordingTarget target;
    target.AudioFiles = audio;
    TCommandLineProcessor processor(target, {});
    QCOMPARE(processor.ProcessCommandLine(line), result);
    QCOMPARE(target.Calls, calls);
  }

  void RemoveListThenBurnDeletesTheList() {
    const QString list = MakeFile("remove.lst", "/a/one\n/b/two\n");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {});
    QVERIFY(!processor.ProcessCommandLine("RB " + list));
    QCOMPARE(target.Calls, (QStringList{"Wait", "Remove(/a/one)", "Remove(/b/two)", "Cursor", "RefreshFull",
                                        "RefreshQuiet", "DataBurn"}));
    QVERIFY(!QFile::exists(list));
  }

  void EmptyListFileIsDeletedToo() {
    const QString list = MakeFile("empty.lst");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {});
    QVERIFY(!processor.ProcessCommandLine("RB " + list));
    QVERIFY(!QFile::exists(list));
    QCOMPARE(target.Calls, (QStringList{"Wait", "Cursor", "RefreshFull", "RefreshQuiet", "DataBurn"}));
  }

  void AddListPutsFirstLineLast() {
    const QString list = MakeFile("add.lst", "/first\r\n/second\r\n/third\r\n");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {});
    QVERIFY(processor.ProcessCommandLine("A " + list));
    QCOMPARE(target.Calls, (QStringList{"Wait", "BeginAdding", "Add(/second)", "Add(/third)", "Add(/first)", "Scroll",
                                        "EndAdding", "Cursor", "RefreshFull"}));
  }

  void PlaylistsInAnyCaseAreImported() {
    const QString list = MakeFile("play.lst", "/music/a.M3u\n/music/b.asx\n");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {});
    processor.ProcessCommandLine("A " + list);
    QVERIFY(target.Calls.contains("Playlist(/music/a.M3u)"));
    QVERIFY(target.Calls.contains("Playlist(/music/b.asx)"));
    QVERIFY(!target.Calls.join(' ').contains("Add("));
  }

  void ImageListStartsImageBurn() {
    const QString image = MakeFile("disc.iso", "x");
    const QString list = MakeFile("image.lst", image.toUtf8() + "\n");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {});
    QVERIFY(processor.ProcessCommandLine("BISO " + list));
    QCOMPARE(target.Calls, (QStringList{"Wait", "Cursor", "BurnImage(" + image + ")"}));
    QVERIFY(!QFile::exists(list));
  }

  void StartArgumentsNamingFilesAreAdded() {
    const QString one = MakeFile("one.txt");
    const QString two = MakeFile("two.txt");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {one, two});
    processor.ProcessCommandLine(JoinArguments({one, two}));
    QCOMPARE(target.Calls, (QStringList{"BeginAdding", "Add(" + one + ")", "Add(" + two + ")", "Scroll", "EndAdding"}));
    QVERIFY(processor.CommandLineTaken());
  }

  void SingleProjectArgumentOpensTheProject() {
    const QString project = MakeFile("mine.Kvz");
    TRecordingTarget target;
    TCommandLineProcessor processor(target, {project});
    processor.ProcessCommandLine(project);
    QCOMPARE(target.Calls, QStringList{"Project(" + project + ")"});
  }

  void NothingHappensWhileAProgressWindowIsOpen() {
    TRecordingTarget target;
    target.ProgressWindow = true;
    TCommandLineProcessor processor(target, {});
    QVERIFY(processor.ProcessCommandLine("E"));
    QVERIFY(target.Calls.isEmpty());
  }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
