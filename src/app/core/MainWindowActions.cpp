// The main window's actions, menus, toolbar layout and texts.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

#include "app/core/FormMasterKVZ.h"
#include "app/core/ToolbarLayout.h"
#include "app/dialogs/LanguagePage.h"

#include <QDialog>
#include <QVBoxLayout>

namespace velmarond::app {
namespace {

struct TActionSpec {
  int TextIndex;  // caption number in section [2]; the hint follows it
  int Tag;        // toolbar tag, -1 for actions without a button
  const char* Icon;
};

constexpr TActionSpec ActionSpecs[] = {
    {0, 0, "window-new"},          {2, 24, "edit-rename"},         {4, 25, "folder-new"},
    {6, 22, "edit-delete"},        {8, 23, "edit-clear"},          {10, 28, "view-list-tree"},
    {12, 30, "document-properties"}, {14, 2, "media-record"},      {16, -1, "go-home"},
    {18, -1, ""},                  {20, 11, "preferences-system"}, {22, -1, "help-about"},
    {24, -1, "help-contents"},     {26, -1, "system-software-update"}, {28, 8, "media-optical"},
    {30, 27, "edit-select-all"},   {32, -1, "application-exit"},   {34, 1, "list-add"},
    {36, 7, "edit-clear-all"},     {38, 9, "media-eject"},         {40, 10, "media-optical"},
    {42, 3, "media-optical-audio"}, {44, -1, ""},                  {46, -1, ""},
    {48, -1, ""},                  {50, -1, ""},                   {52, -1, ""},
    {54, -1, "preferences-desktop-locale"}, {56, 29, "view-list-tree"}, {58, 6, "document-import"},
    {62, -1, ""},                  {66, 4, "media-optical"},       {68, 5, "document-save-as"},
    {70, 32, "document-new"},      {76, 14, "drive-optical"},      {82, -1, ""},
    {83, 31, "document-print"},    {85, 34, "edit-paste"},         {89, 35, "document-open"},
    {91, 36, "document-save"},     {109, -1, ""},
};

enum TextIndex { Exit = 32, Erase = 36, Burn = 14, DiscInfo = 28, DropWindow = 0, DeleteAllItems = 8,
                 Restore = 46, Language = 54, Minimize = 48, ShowLog = 50, HideLog = 52, BurnAudio = 42 };

}  // namespace

void TFormMasterKVZ::BuildActions() {
  for (const TActionSpec& spec : ActionSpecs) {
    auto* action = new QAction(this);
    action->setObjectName(QStringLiteral("Action%1").arg(spec.TextIndex));
    if (*spec.Icon) action->setIcon(QIcon::fromTheme(QString::fromLatin1(spec.Icon)));
    ActionsByTextIndex.insert(spec.TextIndex, action);
    if (spec.Tag >= 0) {
      action->setData(spec.Tag);
      ActionsByTag.insert(spec.Tag, action);
    }
  }
  const auto on = [this](int textIndex, auto handler) {
    connect(ActionsByTextIndex.value(textIndex), &QAction::triggered, this, handler);
  };
  on(Exit, [this] { close(); });
  on(Erase, [this] { StartErase(); });
  on(Burn, [this] { StartDataBurn(); });
  on(BurnAudio, [this] { ChooseBurnMode(); });
  on(DiscInfo, [this] { ShowDiscInformation(); });
  on(DropWindow, [this] { ShowDropWindow(); });
  on(DeleteAllItems, [this] { DeleteAll(); });
  on(Restore, [this] { RestoreAndRaise(); });
  on(Language, [this] { ShowLanguagePage(); });
  on(Minimize, [this] { showMinimized(); });
  on(ShowLog, [this] { Fields.LogVisible = true; RefreshCompilationState(TRefresh::Quiet); });
  on(HideLog, [this] { Fields.LogVisible = false; RefreshCompilationState(TRefresh::Quiet); });
  const QSet<int> wired = {Language, Exit, Erase, Burn, BurnAudio, DiscInfo, DropWindow, DeleteAllItems,
                           Restore, Minimize, ShowLog, HideLog};
  for (auto it = ActionsByTextIndex.cbegin(); it != ActionsByTextIndex.cend(); ++it) {
    if (wired.contains(it.key())) continue;
    QAction* action = it.value();
    connect(action, &QAction::triggered, this, [this, action] {
      AddLogMessage(LanguageTexts.GetLanguageTextWith(11, 110, {QStringLiteral("<#value>=") + LogValue(action->text())}));
    });
  }
  ActionVersion = new QAction(this);
  ActionVersion->setEnabled(false);
}

// The language page on its own until the settings dialog that will hold it exists.
void TFormMasterKVZ::ShowLanguagePage() {
  QDialog dialog(this);
  dialog.setWindowTitle(GetText(3, 0) + QStringLiteral(" - ") + GetText(3, 2));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new TLanguagePage(LanguageTexts, [this](const QString& name) { LoadLanguage(name, TSaveLanguage::Yes); }, &dialog));
  dialog.resize(480, 320);
  dialog.exec();
}

void TFormMasterKVZ::BuildMenus() {
  const QList<QList<int>> menuItems = {
      {70, 89, 91, -1, 83, -1, 0, -1, 32},            // File
      {34, -1, 85, -1, 6, 8, 2, 4, -1, 30, -1, 12},   // Edit
      {14, 42, -1, 66, 68, -1, 58, 36, -1, 28, -1, 38, 40},  // Burner
      {24, -1, 16, 109, -1, 22},                      // Help
      {54, -1, 26, -1, 20},                           // Tools
      {82, -1, 50, 52},                               // View
  };
  for (const QList<int>& items : menuItems) {
    QMenu* menu = menuBar()->addMenu(QString());
    for (int item : items) {
      if (item < 0)
        menu->addSeparator();
      else
        menu->addAction(ActionsByTextIndex.value(item));
    }
    Menus.append(menu);
  }
  Menus[3]->addSeparator();
  Menus[3]->addAction(ActionVersion);
}

void TFormMasterKVZ::ApplyLanguageTexts() {
  for (auto it = ActionsByTextIndex.cbegin(); it != ActionsByTextIndex.cend(); ++it) {
    it.value()->setText(GetText(2, it.key()));
    if (it.key() != 82) it.value()->setToolTip(GetText(2, it.key() + 1));
  }
  for (int menu = 0; menu < Menus.size(); ++menu) Menus[menu]->setTitle(GetText(8, menu));
  LabelVolumeName->setText(GetText(20, 1));
  LabelSpeed->setText(GetText(20, 2));
  ComboBoxSpeed->clear();
  ComboBoxSpeed->addItem(GetText(20, 5));
  CheckBoxCommandCloseDisc->setText(GetText(20, 3));
  LabelDrive->setText(GetText(3, 31));
  CheckBoxDriveQuickErase->setText(GetText(3, 46));
  GettingStarted->setText(GetText(4, 20));
  GettingStarted->setToolTip(GetText(4, 11));
}

void TFormMasterKVZ::ApplyToolbarLayout(const QString& layout) {
  MainToolBar->clear();
  const QList<int> keys = ActionsByTag.keys();
  const QSet<int> knownTags(keys.cbegin(), keys.cend());
  for (int tag : ParseToolbarLayout(layout, knownTags)) MainToolBar->addAction(ActionsByTag.value(tag));
}

}  // namespace velmarond::app
