#pragma once
// The language page: the list of languages in the languages folder and the translators' tools
// (New, Delete, Modify in an editor window, Check differences).

#include <QDialog>
#include <QWidget>
#include <functional>

class QListWidget;
class QPlainTextEdit;

namespace velmarond::app {

class TLanguages;

// Asks Yes/No with the language's button texts; true for Yes.
bool AskYesNo(const TLanguages& languages, QWidget* parent, const QString& caption, const QString& message);

class TFormEditLanguage : public QDialog {
  Q_OBJECT
 public:
  TFormEditLanguage(const TLanguages& languages, const QString& name, const QString& text, QWidget* parent = nullptr);
  QString Text() const;

 private:
  QPlainTextEdit* Editor = nullptr;
};

class TLanguagePage : public QWidget {
  Q_OBJECT
 public:
  // `loadLanguage` selects a language and saves the settings (the main window's LoadLanguage).
  TLanguagePage(const TLanguages& languages, std::function<void(const QString&)> loadLanguage, QWidget* parent = nullptr);
  void RefreshList(const QString& select);
  QString SelectedLanguage() const;

  void NewLanguage();
  void DeleteLanguage();
  void ModifyLanguage();
  void CheckDifferences();

 private:
  const TLanguages& Languages;
  std::function<void(const QString&)> LoadLanguage;
  QListWidget* ListLanguages = nullptr;
};

}  // namespace velmarond::app
