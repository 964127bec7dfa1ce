#include "app/core/MessageLog.h"

#include <QScrollBar>
#include <QTextBrowser>

namespace velmarond::app {

QString FormatLogFragment(const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp, const QTime& now) {
  QString fragment = timeStamp == TTimeStamp::With ? now.toString(QStringLiteral("hh:mm:ss")) + QStringLiteral(" - ") + text : text;
  if (lineBreak == TLineBreak::Append) fragment += QStringLiteral("<br>");
  return fragment;
}

QString LogValue(const QString& value) { return value.toHtmlEscaped(); }

TMessageLog::TMessageLog() : Document(QString::fromLatin1(LogHeaderFragment)) {}

void TMessageLog::AddLogMessage(const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp) {
  if (text.trimmed().isEmpty()) return;
  Document += FormatLogFragment(text, lineBreak, timeStamp, QTime::currentTime());
  if (View) Refresh();
  if (Forwarder) Forwarder(text, lineBreak, timeStamp);
}

void TMessageLog::AttachView(QTextBrowser* view) {
  View = view;
  Refresh();
}

void TMessageLog::Refresh() {
  View->setHtml(Document);
  View->verticalScrollBar()->setValue(View->verticalScrollBar()->maximum());
}

}  // namespace velmarond::app
