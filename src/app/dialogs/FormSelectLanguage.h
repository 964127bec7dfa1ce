#pragma once
// The first-run language chooser: every built-in translation, English preselected.

#include <QDialog>

class QListWidget;

namespace velmarond::app {

class TFormSelectLanguage : public QDialog {
  Q_OBJECT
 public:
  TFormSelectLanguage(const QString& caption, const QStringList& languages, QWidget* parent = nullptr);
  QString ChosenLanguage() const;  // "ENGLISH" when none is chosen

 private:
  QListWidget* ListLanguages = nullptr;
};

// Writes every built-in translation into the languages folder and returns the chosen name, or
// "ENGLISH" when writing failed or nothing was chosen.
QString RunFirstRunLanguageChooser(const QString& caption, const QString& languagesFolder, QWidget* parent = nullptr);

}  // namespace velmarond::app
