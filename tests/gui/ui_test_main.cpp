// The window tests share one application object and run offscreen.
#include <QApplication>

#include <gtest/gtest.h>

#include "gui/ui_test_support.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests at build time happens without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(uitest::QuietOffscreenNotes);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
