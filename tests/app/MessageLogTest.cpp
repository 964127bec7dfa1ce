#include <QTextBrowser>
#include <QtTest>

#include "app/core/MessageLog.h"

using namespace velmarond::app;

class MessageLogTest : public QObject {
  Q_OBJECT
 private slots:
  void FragmentFormat_data() {
    QTest::addColumn<int>("lineBreak");
    QTest::addColumn<int>("timeStamp");
    QTest::addColumn<QString>("expected");
    QTest::newRow("time and break") << 0 << 1 << "09:05:07 - Ready<br>";
    QTest::newRow("no time") << 0 << 0 << "Ready<br>";
    QTest::newRow("no break") << 1 << 1 << "09:05:07 - Ready";
  }
  void FragmentFormat() {
    QFETCH(int, lineBreak);
    QFETCH(int, timeStamp);
    QFETCH(QString, expected);
    QCOMPARE(FormatLogFragment("Ready", static_cast<TLineBreak>(lineBreak), static_cast<TTimeStamp>(timeStamp), QTime(9, 5, 7)),
             expected);
  }

  void BufferBeforeTheViewThenDirect() {
    TMessageLog log;
    log.AddLogMessage("before", TLineBreak::Append, TTimeStamp::Without);
    log.AddLogMessage("   ", TLineBreak::Append, TTimeStamp::Without);  // dropped
    QCOMPARE(log.Html(), QStringLiteral(R"(<body topmargin="2" leftmargin="2"><font size="2">before<br>)"));
    QTextBrowser view;
    log.AttachView(&view);
    log.AddLogMessage("after", TLineBreak::Append, TTimeStamp::Without);
    QCOMPARE(view.toPlainText().split('\n').mid(0, 2), (QStringList{"before", "after"}));
  }

  void FileNamesAreEscaped() {
    TMessageLog log;
    QTextBrowser view;
    log.AttachView(&view);
    log.AddLogMessage("Skipping <b>" + LogValue("a<b>&c.txt") + "</b>", TLineBreak::Append, TTimeStamp::Without);
    QVERIFY(view.toPlainText().startsWith("Skipping a<b>&c.txt"));
  }

  void ForwarderGetsPlainTextAndFlags() {
    TMessageLog log;
    QString forwarded;
    log.SetForwarder([&](const QString& text, TLineBreak lineBreak, TTimeStamp timeStamp) {
      forwarded = text + (lineBreak == TLineBreak::Omit ? "|omit" : "|br") + (timeStamp == TTimeStamp::With ? "|time" : "");
    });
    log.AddLogMessage("Prepare", TLineBreak::Omit, TTimeStamp::With);
    QCOMPARE(forwarded, QStringLiteral("Prepare|omit|time"));
  }
};

QTEST_MAIN(MessageLogTest)
#include "MessageLogTest.moc"
