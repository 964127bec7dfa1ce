#pragma once
// The HTML message log of the main window. Until the log view is ready, fragments collect in a buffer
// that starts with the log header; afterwards they are appended to the view's document.

#include <QString>
#include <QTime>
#include <functional>

class QTextBrowser;

namespace velmarond::app {

enum class TLineBreak { Append, Omit };
enum class TTimeStamp { Without, With };

inline constexpr auto LogHeaderFragment = R"(<body topmargin="2" leftmargin="2"><font size="2">)";

// The fragment as it goes into the log: "hh:mm:ss - text" with the time, then "<br>" unless omitted.
QString FormatLogFragment(const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp, const QTime& now);

// Values put into log texts through placeholders (file names above all) are escaped, so a name such
// as "a<b>.txt" shows as it is and cannot inject markup.
QString LogValue(const QString& value);

class TMessageLog {
 public:
  // Receives the plain text and the flags when a progress window shows the log too.
  using TForwarder = std::function<void(const QString&, TLineBreak, TTimeStamp)>;

  TMessageLog();
  void AddLogMessage(const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp);
  // Makes the view the log's target and writes the buffered fragments into it.
  void AttachView(QTextBrowser* view);
  void SetForwarder(TForwarder forwarder) { Forwarder = std::move(forwarder); }

  const QString& Html() const { return Document; }
  bool ViewAttached() const { return View != nullptr; }

 private:
  void Refresh();

  QString Document;  // the buffer before the view is attached, the whole document afterwards
  QTextBrowser* View = nullptr;
  TForwarder Forwarder;
};

}  // namespace velmarond::app
