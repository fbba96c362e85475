// quillfen, the desktop program.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "mainwindow/tarnwick_app.h"

namespace {
// Drawn offscreen, the window's requests that only a screen fulfils (raise
// it, size its frame) are not failures worth a line.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}
}  // namespace

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
  if (qgetenv("QT_QPA_PLATFORM") == "offscreen") qInstallMessageHandler(QuietOffscreenNotes);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillfen"));
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  return CTarnwickApp().Run(arguments);
}
