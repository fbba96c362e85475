// Renders every window of the program's frame offscreen, in English and in
// German, into PNG files to be looked at: <name>_en.png and <name>_de.png.
#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

#include <QMenu>

#include "gui/dialog_gallery.h"
#include "mainwindow/tarnwick_dlg.h"
#include "services/language_texts.h"

namespace {

void Save(QWidget* window, const QString& folder, const std::string& name, const char* language) {
  QApplication::processEvents();
  const QString path =
      folder + QStringLiteral("/%1_%2.png").arg(QString::fromStdString(name), language);
  if (!window->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

void SaveAll(uitest::DialogGallery& gallery, const QString& folder, const char* language) {
  for (const uitest::DialogGallery::Window& window : gallery.Windows()) {
    Save(window.widget, folder, window.name, language);
  }
  if (QWidget* help = gallery.HelpWindow()) Save(help, folder, "help", language);
  // The main window's menu, open.
  for (const uitest::DialogGallery::Window& window : gallery.Windows()) {
    auto* main = qobject_cast<CTarnwickDlg*>(window.widget);
    if (main == nullptr || window.name != "main_window_usable") continue;
    QMenu* menu = main->SystemMenu();
    menu->popup(main->mapToGlobal(QPoint(0, 0)));
    Save(menu, folder, "main_window_menu", language);
    menu->hide();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(uitest::QuietOffscreenNotes);
  QApplication app(argc, argv);
  const QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLFEN_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  GetLanguageTexts().SwitchLanguage(kLanguageEnglish);
  uitest::DialogGallery gallery;
  SaveAll(gallery, folder, "en");
  // The open windows switch as they are, the way a user switches.
  gallery.SwitchLanguage(kLanguageGerman);
  SaveAll(gallery, folder, "de");
  return 0;
}
