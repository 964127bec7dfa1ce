// Program entry of the desktop application.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Velmarond");
  QMainWindow window;
  window.setWindowTitle("Velmarond");
  window.resize(900, 600);
  window.show();
  return QApplication::exec();
}
