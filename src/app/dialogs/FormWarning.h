#pragma once
// The shared confirmation dialog: a message, Yes / No / Cancel and "Don't display this message again".

#include <QDialog>

class QCheckBox;
class QLabel;

namespace velmarond::app {

class TLanguages;

class TFormWarning : public QDialog {
  Q_OBJECT
 public:
  TFormWarning(const TLanguages& languages, const QString& caption, const QString& message, bool initialDontShow,
               QWidget* parent = nullptr);
  bool DontShowAgain() const { return DontShowState; }

 protected:
  void done(int result) override;

 private:
  QCheckBox* CheckBoxDontShow = nullptr;
  bool DontShowState = false;
};

struct TConfirmationAnswer {
  bool Yes = false;
  bool DontShowAgain = false;
};

TConfirmationAnswer AskConfirmation(const TLanguages& languages, const QString& caption, const QString& message,
                                    bool initialDontShow, QWidget* parent = nullptr);

}  // namespace velmarond::app
