#include "app/dialogs/LanguagePage.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/LanguageFile.h"
#include "app/core/LanguageFolder.h"
#include "app/core/LanguageTools.h"
#include "app/core/Languages.h"

namespace velmarond::app {

bool AskYesNo(const TLanguages& languages, QWidget* parent, const QString& caption, const QString& message) {
  QMessageBox box(QMessageBox::Question, caption, message, QMessageBox::NoButton, parent);
  QPushButton* yes = box.addButton(languages.GetLanguageText(17, 0), QMessageBox::YesRole);
  box.addButton(languages.GetLanguageText(17, 1), QMessageBox::NoRole);
  box.exec();
  return box.clickedButton() == yes;
}

TFormEditLanguage::TFormEditLanguage(const TLanguages& languages, const QString& name, const QString& text, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("FormEditLanguage"));
  setWindowTitle(languages.GetLanguageText(3, 13) + name.toUpper());
  resize(700, 500);
  auto* layout = new QVBoxLayout(this);
  Editor = new QPlainTextEdit(this);
  Editor->setObjectName(QStringLiteral("EditorLanguage"));
  Editor->setPlainText(text);
  layout->addWidget(Editor);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close = buttons->addButton(languages.GetLanguageText(24, 1), QDialogButtonBox::AcceptRole);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(buttons);
}

QString TFormEditLanguage::Text() const { return Editor->toPlainText(); }

TLanguagePage::TLanguagePage(const TLanguages& languages, std::function<void(const QString&)> loadLanguage, QWidget* parent)
    : QWidget(parent), Languages(languages), LoadLanguage(std::move(loadLanguage)) {
  setObjectName(QStringLiteral("PageLanguage"));
  auto* layout = new QHBoxLayout(this);
  ListLanguages = new QListWidget(this);
  ListLanguages->setObjectName(QStringLiteral("ListLanguages"));
  ListLanguages->setToolTip(Languages.GetLanguageText(3, 4));
  layout->addWidget(ListLanguages, 1);
  auto* buttons = new QVBoxLayout;
  const auto addButton = [&](int caption, void (TLanguagePage::*handler)()) {
    auto* button = new QPushButton(Languages.GetLanguageText(3, caption), this);
    button->setObjectName(QStringLiteral("ButtonLanguage%1").arg(caption));
    button->setToolTip(Languages.GetLanguageText(3, caption + 1));
    connect(button, &QPushButton::clicked, this, handler);
    buttons->addWidget(button);
  };
  addButton(5, &TLanguagePage::NewLanguage);
  addButton(7, &TLanguagePage::DeleteLanguage);
  addButton(9, &TLanguagePage::ModifyLanguage);
  addButton(102, &TLanguagePage::CheckDifferences);
  buttons->addStretch();
  layout->addLayout(buttons);
  RefreshList(Languages.LanguageName());
}

void TLanguagePage::RefreshList(const QString& select) {
  ListLanguages->clear();
  ListLanguages->addItems(velmarond::app::ListLanguages(Languages.LanguagesFolder()));
  const auto matches = ListLanguages->findItems(select.toUpper(), Qt::MatchExactly);
  ListLanguages->setCurrentRow(matches.isEmpty() ? 0 : ListLanguages->row(matches.first()));
}

QString TLanguagePage::SelectedLanguage() const {
  const QListWidgetItem* item = ListLanguages->currentItem();
  return item ? item->text() : QString();
}

void TLanguagePage::NewLanguage() {
  const QString answer = QInputDialog::getText(this, Languages.GetLanguageText(3, 16), Languages.GetLanguageText(3, 17));
  const QString name = answer.trimmed().toUpper();
  const TNewLanguageCheck check = CheckNewLanguageName(Languages.LanguagesFolder(), name);
  if (check == TNewLanguageCheck::EmptyName || check == TNewLanguageCheck::EnglishRefused) return;
  if (check == TNewLanguageCheck::AlreadyExists &&
      !AskYesNo(Languages, this, Languages.GetLanguageText(3, 16), Languages.GetLanguageText(3, 18) + name))
    return;
  if (!CreateLanguageFromEnglish(Languages.LanguagesFolder(), name)) return;
  RefreshList(name);
  LoadLanguage(name);
  ModifyLanguage();
}

void TLanguagePage::DeleteLanguage() {
  const QString name = SelectedLanguage();
  if (!CanDeleteLanguage(name)) return;
  if (!AskYesNo(Languages, this, Languages.GetLanguageText(3, 7), Languages.GetLanguageText(3, 15) + name)) return;
  DeleteLanguageFile(Languages.LanguagesFolder(), name);
  RefreshList(Languages.LanguageName());
}

void TLanguagePage::ModifyLanguage() {
  const QString name = SelectedLanguage();
  const QString path = FindLanguageFile(Languages.LanguagesFolder(), name);
  QFile file(path);
  if (name.isEmpty() || !file.open(QIODevice::ReadOnly)) return;
  TFormEditLanguage editor(Languages, name, DecodeLanguageBytes(file.readAll()), this);
  file.close();
  editor.exec();
  if (!AskYesNo(Languages, this, Languages.GetLanguageText(3, 9), Languages.GetLanguageText(3, 14) + name)) return;
  if (WriteLanguageFile(Languages.LanguagesFolder(), name, editor.Text().toUtf8())) LoadLanguage(name);
}

void TLanguagePage::CheckDifferences() {
  const auto report = WriteDifferencesReport(Languages, SelectedLanguage());
  if (!report) return;
  QMessageBox::information(this, Languages.GetLanguageText(3, 102),
                           Languages.GetLanguageText(3, 104) + QStringLiteral("\r\r") + *report);
}

}  // namespace velmarond::app
