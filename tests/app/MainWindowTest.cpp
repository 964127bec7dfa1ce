#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include "app/core/FormMasterKVZ.h"
#include "app/core/MediumMonitor.h"
#include "app/dialogs/FormWarning.h"

using namespace velmarond::app;

namespace {

class TFakeDispatcher : public TActionDispatcher {
 public:
  explicit TFakeDispatcher(QStringList& calls) : Calls(calls) {}
  bool Dispatch(TAction action, const QString& argument) override {
    Calls << ActionName(action) + (argument.isEmpty() ? QString() : "(" + argument + ")");
    return true;
  }
  bool CompilationHasAudioFiles() const override { return false; }
  bool BurnProgressWindowExists() const override { return false; }
  QStringList& Calls;
};

class TFakeMediumMonitor : public TMediumMonitor {
 public:
  void Signal(const QString& node) { emit MediumChanged(node); }
};

// Accepts the next modal dialog with the given object name, and remembers having seen it.
void AcceptNextDialog(const QString& objectName, bool* seen) {
  QTimer::singleShot(50, [objectName, seen] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        dialog && dialog->objectName() == objectName) {
      *seen = true;
      dialog->accept();
    } else {
      AcceptNextDialog(objectName, seen);
    }
  });
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  QTemporaryDir Home;
  QStringList Calls;

  std::unique_ptr<TFormMasterKVZ> MakeWindow(QStringList arguments = {}) {
    auto window = std::make_unique<TFormMasterKVZ>(TProgramFolders::Under(Home.path()), arguments);
    window->SetDispatcher(std::make_unique<TFakeDispatcher>(Calls));
    return window;
  }

 private slots:
  void initTestCase() {
    qputenv("VELMAROND_HOME", Home.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
  }

  void FirstRunThenSecondStart() {
    bool chooserShown = false;
    AcceptNextDialog("FormSelectLanguage", &chooserShown);
    auto first = MakeWindow();
    first->FormCreate();
    QVERIFY(chooserShown);
    QVERIFY(first->FirstRun());
    QCOMPARE(first->StatusText(), QStringLiteral("Velmarond ready!!!"));
    QVERIFY(first->Log().Html().contains(" - Ready<br>"));
    QVERIFY(QFile::exists(Home.filePath("VELMAROND.CFG")));
    QVERIFY(QFile::exists(Home.filePath("languages/ENGLISH.INI")));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize share(screen.width() - screen.width() * 15 / 100, screen.height() - screen.height() * 15 / 100);
    QCOMPARE(first->size(), share.expandedTo(first->minimumSize()));
    QCOMPARE(first->windowTitle(), QStringLiteral("Velmarond DVD Burning  - DRIVE NOT FOUND"));
    first->Settings().EraseCount = 7;
    first->close();

    bool chooserAgain = false;
    AcceptNextDialog("FormSelectLanguage", &chooserAgain);
    auto second = MakeWindow();
    second->FormCreate();
    QVERIFY(!second->FirstRun());
    QCOMPARE(second->Settings().EraseCount, 7);
    QCOMPARE(second->Settings().WindowWidth, std::optional<int>(first->width()));
    QVERIFY(!chooserAgain);
    second->close();
  }

  void ForwardedVerbReachesTheDispatcher() {
    auto window = MakeWindow();
    window->FormCreate();
    Calls.clear();
    window->ProcessCommandLine("E");
    QCOMPARE(Calls, QStringList{"Erase"});
  }

  void TemporaryFilesAndOnlyOurWavFilesAreCleaned() {
    const QString userWav = Home.filePath("wav/mine.wav");
    const QString ourWav = Home.filePath("wav/track01.wav");
    const QString temp = Home.filePath("temp/leftover.bin");
    for (const QString& path : {userWav, ourWav, temp}) {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    auto window = MakeWindow();
    QVERIFY(window->CreatedWavFiles().Register(ourWav));
    window->FormCreate();
    QVERIFY(QFile::exists(userWav));
    QVERIFY(!QFile::exists(ourWav));
    QVERIFY(!QFile::exists(temp));
  }

  void MediumChangeOnlyForTheSelectedDrive() {
    auto window = MakeWindow();
    TFakeMediumMonitor monitor;
    window->SetMediumMonitor(&monitor);
    window->SetSelectedDrive("VIRTUAL RECORDER", "/dev/sr1", 'E');
    Calls.clear();
    monitor.Signal("/dev/sr0");
    QVERIFY(Calls.isEmpty());
    monitor.Signal("/dev/sr1");
    QCOMPARE(Calls, QStringList{"Medium change(/dev/sr1)"});
  }

  void ToolbarFollowsTheLayoutSetting() {
    auto window = MakeWindow();
    window->ApplyToolbarLayout("7; x ;2;999;;7");
    const QList<QAction*> shown = window->findChild<QToolBar*>("ToolBarMain")->actions();
    QCOMPARE(shown, (QList<QAction*>{window->ActionByTag(7), window->ActionByTag(2)}));
  }

  void AddingBracketShowsCountsInTheCaption() {
    auto window = MakeWindow();
    window->FormCreate();
    window->BeginAdding(false);
    window->FilesAdded() = 12;
    window->FoldersAdded() = 3;
    QTRY_VERIFY(window->windowTitle().endsWith(" - Added 12 files and 3 folders"));
    window->EndAdding();
    QVERIFY(!window->windowTitle().contains("Added"));
  }

  void ConfirmationRecordsTheCheckBoxWhateverCloses_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << "ButtonYes" << true;
    QTest::newRow("no") << "ButtonNo" << false;
    QTest::newRow("cancel") << "ButtonCancel" << false;
  }
  void ConfirmationRecordsTheCheckBoxWhateverCloses() {
    QFETCH(QString, button);
    QFETCH(bool, yes);
    TLanguages languages(Home.filePath("languages"));
    QTimer::singleShot(50, [button] {
      QWidget* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
      QVERIFY(dialog->findChild<QCheckBox*>("CheckBoxDontShow")->isChecked());  // initialDontShow
      dialog->findChild<QCheckBox*>("CheckBoxDontShow")->setChecked(false);
      dialog->findChild<QPushButton*>(button)->click();
    });
    const TConfirmationAnswer answer = AskConfirmation(languages, "Confirm Delete All", "Delete All items?", true);
    QCOMPARE(answer.Yes, yes);
    QVERIFY(!answer.DontShowAgain);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
