// The window tests share one application object and run offscreen.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

namespace {
// The offscreen platform says so whenever a window asks for what only a real
// screen can do (raising, grabbing the keyboard); that is no failure.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests at build time happens without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietOffscreenNotes);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
