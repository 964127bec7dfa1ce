#include "app/dialogs/FormSelectLanguage.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/core/LanguageFolder.h"
#include "app/core/Languages.h"

namespace velmarond::app {

TFormSelectLanguage::TFormSelectLanguage(const QString& caption, const QStringList& languages, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("FormSelectLanguage"));
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  auto* layout = new QVBoxLayout(this);
  ListLanguages = new QListWidget(this);
  ListLanguages->setObjectName(QStringLiteral("ListLanguages"));
  ListLanguages->addItems(languages);
  for (int row = 0; row < ListLanguages->count(); ++row)
    if (ListLanguages->item(row)->text().compare(QLatin1String(EnglishLanguageName), Qt::CaseInsensitive) == 0)
      ListLanguages->setCurrentRow(row);
  layout->addWidget(ListLanguages);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ListLanguages, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(buttons);
}

QString TFormSelectLanguage::ChosenLanguage() const {
  const QListWidgetItem* item = ListLanguages->currentItem();
  return item ? item->text() : QString::fromLatin1(EnglishLanguageName);
}

QString RunFirstRunLanguageChooser(const QString& caption, const QString& languagesFolder, QWidget* parent) {
  const QStringList names = EmbeddedLanguageNames();
  TFormSelectLanguage dialog(caption, names, parent);
  dialog.exec();
  bool lastWriteOk = false;
  for (const QString& name : names) {
    const QByteArray bytes = EmbeddedLanguageFile(name.toLower() + QStringLiteral(".ini"));
    lastWriteOk = static_cast<bool>(WriteLanguageFile(languagesFolder, name, bytes));
  }
  return lastWriteOk ? dialog.ChosenLanguage() : QString::fromLatin1(EnglishLanguageName);
}

}  // namespace velmarond::app
