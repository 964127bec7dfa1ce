#include "app/core/FormMasterKVZ.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTextBrowser>
#include <QToolBar>

#include "app/core/MediumMonitor.h"
#include "app/core/WindowPlacement.h"
#include "app/dialogs/FormSelectLanguage.h"

namespace velmarond::app {
namespace {

constexpr int AddingTimerIntervalMs = 500;
constexpr int StatusPanelWidths[3] = {180, 200, 50};

}  // namespace

TFormMasterKVZ::TFormMasterKVZ(TProgramFolders folders, QStringList arguments, QWidget* parent)
    : QMainWindow(parent),
      ProgramFolders(std::move(folders)),
      Arguments(std::move(arguments)),
      Store(ProgramFolders.ProgramFolder),
      LanguageTexts(ProgramFolders.LanguagesFolder),
      CommandLine(*this, Arguments),
      Dispatcher(std::make_unique<TPendingActions>(
          [this](TAction action, const QString& argument) { LogPendingAction(action, argument); })),
      ProgramVersion(QStringLiteral(VELMAROND_VERSION)) {
  setObjectName(QStringLiteral("TFormMasterKVZ"));
  setMinimumSize(700, 480);
  AddingTimer.setInterval(AddingTimerIntervalMs);
  connect(&AddingTimer, &QTimer::timeout, this, &TFormMasterKVZ::AddingTimerTick);
  BuildActions();
  BuildWindow();
  BuildMenus();
}

TFormMasterKVZ::~TFormMasterKVZ() = default;

void TFormMasterKVZ::BuildWindow() {
  MainToolBar = addToolBar(QStringLiteral("Main"));
  MainToolBar->setObjectName(QStringLiteral("ToolBarMain"));
  MainToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  MainToolBar->setMovable(false);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* commandPanel = new QWidget(central);
  commandPanel->setObjectName(QStringLiteral("PanelCommand"));
  auto* commandLayout = new QHBoxLayout(commandPanel);
  commandLayout->setContentsMargins(0, 0, 0, 0);
  LabelDrive = new QLabel(commandPanel);
  LabelVolumeName = new QLabel(commandPanel);
  LabelSpeed = new QLabel(commandPanel);
  CheckBoxCommandCloseDisc = new QCheckBox(commandPanel);
  CheckBoxCommandCloseDisc->setObjectName(QStringLiteral("CheckBoxCommandCloseDisc"));
  CheckBoxDriveQuickErase = new QCheckBox(commandPanel);
  CheckBoxDriveQuickErase->setObjectName(QStringLiteral("CheckBoxDriveQuickErase"));
  ComboBoxDriveName = new QComboBox(commandPanel);
  ComboBoxDriveName->setObjectName(QStringLiteral("ComboBoxDriveName"));
  ComboBoxDriveName->setMinimumWidth(260);
  EditVolumeName = new QLineEdit(commandPanel);
  EditVolumeName->setObjectName(QStringLiteral("EditVolumeName"));
  ComboBoxSpeed = new QComboBox(commandPanel);
  ComboBoxSpeed->setObjectName(QStringLiteral("ComboBoxSpeed"));
  ComboBoxSpeed->setMinimumWidth(90);
  connect(EditVolumeName, &QLineEdit::textChanged, this, [this](const QString& text) { Fields.VolumeNameText = text; });
  for (QWidget* widget : std::initializer_list<QWidget*>{LabelDrive, ComboBoxDriveName, LabelVolumeName, EditVolumeName,
                                                         LabelSpeed, ComboBoxSpeed, CheckBoxCommandCloseDisc,
                                                         CheckBoxDriveQuickErase})
    commandLayout->addWidget(widget);
  commandLayout->addStretch();
  connect(CheckBoxCommandCloseDisc, &QCheckBox::toggled, this, [this](bool on) { Fields.CloseDisc = on; });
  connect(CheckBoxDriveQuickErase, &QCheckBox::toggled, this, [this](bool on) { Fields.QuickErase = on; });
  layout->addWidget(commandPanel);

  auto* splitter = new QSplitter(Qt::Vertical, central);
  CompilationArea = new QStackedWidget(splitter);
  CompilationArea->setObjectName(QStringLiteral("CompilationArea"));
  GettingStarted = new QLabel(CompilationArea);
  GettingStarted->setObjectName(QStringLiteral("PanelGettingStarted"));
  GettingStarted->setAlignment(Qt::AlignCenter);
  GettingStarted->setWordWrap(true);
  GettingStarted->setFrameShape(QFrame::StyledPanel);
  CompilationArea->addWidget(GettingStarted);
  LogView = new QTextBrowser(splitter);
  LogView->setObjectName(QStringLiteral("EmbeddedWBMemoLog"));
  LogView->setOpenExternalLinks(true);
  splitter->addWidget(CompilationArea);
  splitter->addWidget(LogView);
  splitter->setSizes({420, 180});
  layout->addWidget(splitter, 1);
  setCentralWidget(central);

  for (int panel = 0; panel < 3; ++panel) {
    StatusPanels[panel] = new QLabel(this);
    StatusPanels[panel]->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
    StatusPanels[panel]->setMinimumWidth(StatusPanelWidths[panel]);
    statusBar()->addWidget(StatusPanels[panel], panel == 2 ? 1 : 0);
  }
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    TrayIcon = new QSystemTrayIcon(QApplication::windowIcon(), this);
    TrayIcon->show();
  }
}

void TFormMasterKVZ::FormCreate() {
  FilesAddedCount = FoldersAddedCount = 0;
  FirstShowPending = true;
  Fields.ToolbarLayout = QString::fromLatin1(DefaultToolbarLayout);
  ProgramFolders.CreateAll();

  const TSettingsLoadOutcome outcome = Store.LoadSettingsFile();
  IsFirstRun = !outcome.Loaded;
  Fields = LoadSettings(Store, ProgramFolders.ProgramFolder);
  PlaceWindow();
  EditVolumeName->setText(Fields.VolumeNameText);
  LoadLanguage(Fields.LanguageName, TSaveLanguage::No);
  if (!outcome.DamagedFileKeptAs.isEmpty())
    AddLogMessage(LanguageTexts.GetLanguageTextWith(
        11, 111, {QStringLiteral("<#filename>=") + LogValue(outcome.DamagedFileKeptAs)}));
  WriteUserConfig(QStringLiteral("VelmarondPath"), QApplication::applicationFilePath());
  CheckBoxCommandCloseDisc->setChecked(Fields.CloseDisc);
  SetStatusText(GetText(10, 0));
  if (IsFirstRun) {
    const QString chosen = RunFirstRunLanguageChooser(GetText(3, 2), ProgramFolders.LanguagesFolder, this);
    LoadLanguage(chosen, TSaveLanguage::Yes);
  }
  ActionVersion->setText(GetText(0, 3) + QStringLiteral(" V.") + ProgramVersion);
  CheckBoxDriveQuickErase->setChecked(Fields.QuickErase);
  show();
  raise();
  activateWindow();
  ProcessCommandLine(JoinArguments(Arguments));
  DeleteFilesIn(ProgramFolders.TempFolder);
  CreatedWavFiles().DeleteCreated();
  CompilationArea->setCurrentWidget(GettingStarted);
}

TCreatedWavFiles TFormMasterKVZ::CreatedWavFiles() const {
  return TCreatedWavFiles(ProgramFolders.ProgramFolder + QStringLiteral("created-wav.lst"));
}

void TFormMasterKVZ::PlaceWindow() {
  QScreen* primary = QGuiApplication::primaryScreen();
  QList<QRect> monitors;
  for (QScreen* screen : QGuiApplication::screens()) monitors.append(screen->geometry());
  const QRect placed = PlaceMainWindow({Fields.WindowTop, Fields.WindowLeft, Fields.WindowHeight, Fields.WindowWidth},
                                       primary ? primary->geometry() : QRect(0, 0, 1024, 768), monitors);
  resize(placed.size());
  move(placed.topLeft());
}

void TFormMasterKVZ::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

void TFormMasterKVZ::FormShow() {
  const QStringList emptyTotals = {QStringLiteral("<#SizeAuto>=0 KB"), QStringLiteral("<#Minutes>=0"),
                                   QStringLiteral("<#Seconds>=0"), QStringLiteral("<#MSeconds>=0")};
  StatusPanels[0]->setText(LanguageTexts.GetLanguageTextWith(15, 0, emptyTotals));
  StatusPanels[1]->setText(LanguageTexts.GetLanguageTextWith(15, 1, emptyTotals));
  RefreshCompilationState(TRefresh::Quiet);
  if (FirstShowPending) {
    FirstShowPending = false;
    FirstShow();
  }
}

void TFormMasterKVZ::FirstShow() {
  ApplyToolbarLayout(Fields.ToolbarLayout);
  MessageLog.AttachView(LogView);
  ResetCaption();
  if (!SelectedDriveName.isEmpty())
    AddLogMessage(SelectedDriveName + QStringLiteral(" - ") + SelectedDriveLetter + QLatin1Char(':'));
  AddLogMessage(GetText(11, 0));
}

void TFormMasterKVZ::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

void TFormMasterKVZ::FormClose() {
  SaveSettingsNow();
  DeleteFilesIn(ProgramFolders.TempFolder);
  CreatedWavFiles().DeleteCreated();
}

void TFormMasterKVZ::SaveSettingsNow() {
  const QRect frame = geometry();
  Fields.WindowTop = frame.top();
  Fields.WindowLeft = frame.left();
  Fields.WindowHeight = frame.height();
  Fields.WindowWidth = frame.width();
  SaveSettings(Fields, ProgramVersion, Store);
}

void TFormMasterKVZ::LoadLanguage(const QString& name, TSaveLanguage save) {
  LanguageTexts.SelectLanguage(name);
  Fields.LanguageName = LanguageTexts.LanguageName();
  if (save == TSaveLanguage::Yes) SaveSettingsNow();
  WriteUserConfig(QStringLiteral("CurrentLanguage"),
                  ProgramFolders.LanguagesFolder + Fields.LanguageName + QStringLiteral(".INI"));
  ApplyLanguageTexts();
}

void TFormMasterKVZ::WriteUserConfig(const QString& key, const QString& value) const {
  const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/velmarond/velmarond.conf");
  QSettings config(path, QSettings::IniFormat);
  config.setValue(key, value);
}

void TFormMasterKVZ::AddLogMessage(const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp) {
  MessageLog.AddLogMessage(text, lineBreak, timeStamp);
}

void TFormMasterKVZ::SetStatusText(const QString& text) {
  StatusPanels[2]->setText(text);
  if (TrayIcon) TrayIcon->setToolTip(text);
}

QString TFormMasterKVZ::StatusText() const { return StatusPanels[2]->text(); }

void TFormMasterKVZ::ResetCaption(const QString& status) {
  QString caption = GetText(0, 0);
  if (SelectedDriveName.isEmpty()) {
    caption += QStringLiteral(" - DRIVE NOT FOUND");
  } else {
    caption += QStringLiteral(" - ") + SelectedDriveName;
    if (!SelectedDriveLetter.isNull()) caption += QStringLiteral(" - ") + SelectedDriveLetter + QLatin1Char(':');
  }
  if (!status.isEmpty()) caption += QStringLiteral(" - ") + status;
  setWindowTitle(caption);
}

void TFormMasterKVZ::SetMediumMonitor(TMediumMonitor* monitor) {
  connect(monitor, &TMediumMonitor::MediumChanged, this, &TFormMasterKVZ::OnMediumChanged);
}

void TFormMasterKVZ::SetSelectedDrive(const QString& displayName, const QString& deviceNode, QChar letter) {
  SelectedDriveName = displayName;
  SelectedDriveNode = deviceNode;
  SelectedDriveLetter = letter;
}

void TFormMasterKVZ::OnMediumChanged(const QString& deviceNode) {
  if (!SelectedDriveNode.isEmpty() && deviceNode == SelectedDriveNode) Dispatch(TAction::MediumChanged, deviceNode);
}

}  // namespace velmarond::app
