// The in-program help viewer: a rich-text browser window on the help page
// the help files wrote, one window per page opened.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTextBrowser>

#include <map>

#include "services/help_files.h"

class CHelpViewer : public QObject, public IHelpViewer {
  Q_OBJECT

 public:
  CHelpViewer() = default;
  ~CHelpViewer() override;

  HelpWindow OpenHelp(const std::string& path) override;
  bool IsOpen(HelpWindow window) override;
  void BringToTop(HelpWindow window) override;
  void Close(HelpWindow window) override;

  // The browser of an open window (null when it is gone).
  QTextBrowser* Browser(HelpWindow window) const;

 private:
  std::map<HelpWindow, QPointer<QTextBrowser>> windows_;
  HelpWindow next_ = 1;
};

// F1 in the window shows the help in the current language.
void AddHelpShortcut(QWidget* window, HelpFiles& files = GetHelpFiles());
