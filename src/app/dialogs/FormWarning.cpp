#include "app/dialogs/FormWarning.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/Languages.h"

namespace velmarond::app {

TFormWarning::TFormWarning(const TLanguages& languages, const QString& caption, const QString& message,
                           bool initialDontShow, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("FormWarning"));
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(message, this);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  layout->addWidget(label);
  CheckBoxDontShow = new QCheckBox(languages.GetLanguageText(17, 3), this);
  CheckBoxDontShow->setObjectName(QStringLiteral("CheckBoxDontShow"));
  CheckBoxDontShow->setChecked(initialDontShow);
  layout->addWidget(CheckBoxDontShow);
  auto* buttons = new QDialogButtonBox(this);
  auto* yes = buttons->addButton(languages.GetLanguageText(17, 0), QDialogButtonBox::YesRole);
  auto* no = buttons->addButton(languages.GetLanguageText(17, 1), QDialogButtonBox::NoRole);
  auto* cancel = buttons->addButton(languages.GetLanguageText(17, 2), QDialogButtonBox::RejectRole);
  yes->setObjectName(QStringLiteral("ButtonYes"));
  no->setObjectName(QStringLiteral("ButtonNo"));
  cancel->setObjectName(QStringLiteral("ButtonCancel"));
  connect(yes, &QPushButton::clicked, this, &QDialog::accept);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TFormWarning::done(int result) {
  // Closing by any means records the check box.
  DontShowState = CheckBoxDontShow->isChecked();
  QDialog::done(result);
}

TConfirmationAnswer AskConfirmation(const TLanguages& languages, const QString& caption, const QString& message,
                                    bool initialDontShow, QWidget* parent) {
  TFormWarning dialog(languages, caption, message, initialDontShow, parent);
  const bool yes = dialog.exec() == QDialog::Accepted;
  return {yes, dialog.DontShowAgain()};
}

}  // namespace velmarond::app
