#include <QtTest>

#include "app/core/WindowPlacement.h"

using namespace velmarond::app;

class WindowPlacementTest : public QObject {
  Q_OBJECT
 private slots:
  void Placement_data() {
    QTest::addColumn<QList<int>>("saved");  // top, left, height, width; empty = nothing saved
    QTest::addColumn<QRect>("expected");
    QTest::newRow("nothing saved: 85 % centred") << QList<int>{} << QRect(144, 81, 1632, 918);
    QTest::newRow("saved on the monitor") << QList<int>{10, 20, 500, 700} << QRect(20, 10, 700, 500);
    QTest::newRow("off every monitor: default") << QList<int>{5000, 5000, 500, 700} << QRect(144, 81, 1632, 918);
    QTest::newRow("hanging off the right keeps 120 pixels") << QList<int>{100, 1900, 500, 700} << QRect(1800, 100, 700, 500);
    QTest::newRow("hanging off the bottom keeps 120 pixels") << QList<int>{1070, 0, 500, 700} << QRect(0, 960, 700, 500);
  }
  void Placement() {
    QFETCH(QList<int>, saved);
    QFETCH(QRect, expected);
    TSavedGeometry geometry;
    if (!saved.isEmpty()) geometry = {saved[0], saved[1], saved[2], saved[3]};
    const QRect screen(0, 0, 1920, 1080);
    QCOMPARE(PlaceMainWindow(geometry, screen, {screen}), expected);
  }
};

QTEST_GUILESS_MAIN(WindowPlacementTest)
#include "WindowPlacementTest.moc"
