// quillfen, the desktop program.
#include <QApplication>

#include <cstring>

#include "mainwindow/tarnwick_app.h"

int main(int argc, char** argv) {
  // A screenshot needs no screen: without a display it is drawn offscreen.
  bool screenshot = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--screenshot", 12) == 0) screenshot = true;
  }
  if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillfen"));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  return CTarnwickApp().Run(arguments);
}
