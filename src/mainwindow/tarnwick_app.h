// The desktop program as a whole: what its command line asks for, the card
// images it attaches, the main window it runs, and what it cleans up after.
#pragma once

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

struct StartOptions {
  // Card images to attach as card drives, in order; the first is selected.
  std::vector<std::string> cardImages;
  // Floppy images to attach as the floppy drives A: and B:, in order.
  std::vector<std::string> floppyImages;
  // Render the main window into this PNG file instead of running it.
  std::string screenshotPath;
  bool showUsage = false;
  // Why the command line cannot be used; empty when it can.
  std::string error;
};

// The arguments after the program name: card image paths, "--floppy IMAGE"
// (or "--floppy=IMAGE", repeatable), "--screenshot PATH" (or
// "--screenshot=PATH"), "--help"; "--" ends the options.
StartOptions ParseStartOptions(const QStringList& arguments);

// The usage text, in the current language.
std::string StartUsageText();

class CTarnwickApp {
 public:
  // Runs the program with the arguments after its name (a QApplication
  // must exist): attaches the card images, runs the main window until it
  // closes, then detaches the images, closes the help and deletes its files. The process's exit
  // code: 0, 1 when the screenshot cannot be written, 2 for a usage error.
  int Run(const QStringList& arguments);

 private:
  // Each image at the first free letter from D:; the letter of the first
  // one attached (0 when none was). A failure is shown (or printed when no
  // window will open) and the others are still attached.
  char AttachCardImages(const std::vector<std::string>& paths, bool quiet);
  // Each floppy image at A:, then B:; failures as above.
  void AttachFloppyImages(const std::vector<std::string>& paths, bool quiet);
  void ShowStartError(const std::string& path, std::uint32_t error, bool quiet);

  std::vector<char> attached_;  // detached again on the way out
  std::vector<char> attachedFloppies_;
};
