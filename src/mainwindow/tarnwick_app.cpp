#include "mainwindow/tarnwick_app.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

#include "base/current_language.h"
#include "container/container_file.h"
#include "gui/message_box.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/drive_images.h"
#include "platform/profile_store.h"
#include "services/app_settings.h"
#include "services/dialogs/help_viewer.h"
#include "services/error_report.h"
#include "services/help_files.h"

StartOptions ParseStartOptions(const QStringList& arguments) {
  StartOptions options;
  bool optionsEnded = false;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (!optionsEnded && argument == QLatin1String("--")) {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == QLatin1String("--help") || argument == "-h")) {
      options.showUsage = true;
    } else if (!optionsEnded && argument == QLatin1String("--screenshot")) {
      if (i + 1 >= arguments.size()) {
        options.error =
            Localized("--screenshot needs a file name", "--screenshot braucht einen Dateinamen");
        return options;
      }
      options.screenshotPath = arguments[++i].toStdString();
    } else if (!optionsEnded && argument.startsWith(QLatin1String("--screenshot="))) {
      options.screenshotPath = argument.mid(13).toStdString();
      if (options.screenshotPath.empty())
        options.error =
            Localized("--screenshot needs a file name", "--screenshot braucht einen Dateinamen");
    } else if (!optionsEnded && argument == QLatin1String("--floppy")) {
      if (i + 1 >= arguments.size()) {
        options.error =
            Localized("--floppy needs an image file", "--floppy braucht eine Abbilddatei");
        return options;
      }
      options.floppyImages.push_back(arguments[++i].toStdString());
    } else if (!optionsEnded && argument.startsWith(QLatin1String("--floppy="))) {
      options.floppyImages.push_back(argument.mid(9).toStdString());
      if (options.floppyImages.back().empty())
        options.error =
            Localized("--floppy needs an image file", "--floppy braucht eine Abbilddatei");
    } else if (!optionsEnded && argument.startsWith('-') && argument.size() > 1) {
      options.error = Localized("unknown option ", "unbekannte Option ") + argument.toStdString();
      return options;
    } else {
      options.cardImages.push_back(argument.toStdString());
    }
  }
  return options;
}

std::string StartUsageText() {
  return Localized(
      "Usage: quillfen [--screenshot PNG] [--floppy IMAGE]... [CARD_IMAGE...]\n"
      "Prepares CompactFlash cards for floppy drive controllers.\n"
      "Each CARD_IMAGE is attached as a card drive (from D: on); the first is selected.\n"
      "A container file (.dfp) among them opens as a container file, not a card.\n"
      "Each --floppy IMAGE is attached as floppy drive A:, then B:.\n"
      "--screenshot PNG renders the main window into a PNG file and ends.\n",
      "Aufruf: quillfen [--screenshot PNG] [--floppy ABBILD]... [KARTENABBILD...]\n"
      "Bereitet CompactFlash Karten für Diskettencontroller vor.\n"
      "Jedes KARTENABBILD wird als Kartenlaufwerk eingebunden (ab D:); das erste ist "
      "ausgewählt.\n"
      "Eine Container Datei (.dfp) darunter öffnet als Container Datei, nicht als Karte.\n"
      "Jedes --floppy ABBILD wird als Diskettenlaufwerk A:, dann B: eingebunden.\n"
      "--screenshot PNG zeichnet das Hauptfenster in eine PNG Datei und endet.\n");
}

char CTarnwickApp::AttachCardImages(const std::vector<std::string>& paths, bool quiet) {
  char first = 0;
  for (const std::string& path : paths) {
    std::uint32_t error = 0;
    // A container file opens as what it is; anything else as a card image.
    const char letter = AttachCardFile(path, platform::ImageDriveOptions(), &error);
    if (letter != 0) {
      if (first == 0) first = letter;
      attached_.push_back(letter);
      continue;
    }
    ShowStartError(path, error, quiet);
  }
  return first;
}

void CTarnwickApp::AttachFloppyImages(const std::vector<std::string>& paths, bool quiet) {
  for (const std::string& path : paths) {
    std::uint32_t error = 0;
    const char letter = platform::AttachFloppyImage(path, '\0', &error);
    if (letter != 0) {
      attachedFloppies_.push_back(letter);
    } else {
      ShowStartError(path, error, quiet);
    }
  }
}

void CTarnwickApp::ShowStartError(const std::string& path, std::uint32_t error, bool quiet) {
  const std::string text = path + ":\n" + ResultCodeText(static_cast<int>(error));
  if (quiet) {
    std::fprintf(stderr, "quillfen: %s\n", text.c_str());
  } else {
    gui::ShowMessage(nullptr, text);
  }
}

int CTarnwickApp::Run(const QStringList& arguments) {
  platform::SetProfileRegistryKey("Dornveld");
  // Texts before the main window chooses the language: the stored choice.
  if (GetAppSettings().GetLanguageSetting(0) != 0) SetCurrentLanguageId(kLanguageGerman);
  const StartOptions options = ParseStartOptions(arguments);
  if (!options.error.empty() || options.showUsage) {
    if (!options.error.empty()) std::fprintf(stderr, "quillfen: %s\n", options.error.c_str());
    std::fputs(StartUsageText().c_str(), options.error.empty() ? stdout : stderr);
    return options.error.empty() ? 0 : 2;
  }
  const bool screenshot = !options.screenshotPath.empty();

  CHelpViewer viewer;
  GetHelpFiles().SetViewer(&viewer);
  int exitCode = 0;
  {
    AttachFloppyImages(options.floppyImages, screenshot);
    const char first = AttachCardImages(options.cardImages, screenshot);
    CTarnwickDlg dialog;
    if (first != 0) dialog.SelectAtStart(first);
    if (screenshot) {
      dialog.InitDialog();
      dialog.show();
      QApplication::processEvents();
      const QString path = QString::fromStdString(options.screenshotPath);
      if (dialog.grab().save(path, "PNG")) {
        std::printf("%s\n", options.screenshotPath.c_str());
      } else {
        std::fprintf(stderr, "quillfen: cannot write %s\n", options.screenshotPath.c_str());
        exitCode = 1;
      }
    } else {
      dialog.DoModal();
    }
  }
  for (char letter : attached_) DetachCardFile(letter);
  attached_.clear();
  for (char letter : attachedFloppies_) platform::DetachFloppyImage(letter);
  attachedFloppies_.clear();
  GetHelpFiles().CloseAndDeleteHelp();
  GetHelpFiles().SetViewer(nullptr);
  return exitCode;
}
