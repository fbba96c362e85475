#include "services/dialogs/help_viewer.h"

#include <QShortcut>
#include <QUrl>

#include "gui/icons.h"
#include "gui/ui_texts.h"

CHelpViewer::~CHelpViewer() {
  for (auto& [handle, browser] : windows_) delete browser.data();
}

HelpWindow CHelpViewer::OpenHelp(const std::string& path) {
  auto* browser = new QTextBrowser;
  browser->setAttribute(Qt::WA_DeleteOnClose);
  browser->setOpenExternalLinks(true);
  browser->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  if (browser->document()->isEmpty()) {
    delete browser;  // the page is missing: no viewer
    return 0;
  }
  const QString title = browser->documentTitle();
  browser->setWindowTitle(title.isEmpty() ? gui::kTextHelpTitle.Get() : title);
  browser->setWindowIcon(gui::ResourceIcon(gui::kIconApplication));
  browser->resize(720, 640);
  browser->show();
  const HelpWindow handle = next_++;
  windows_[handle] = browser;
  return handle;
}

bool CHelpViewer::IsOpen(HelpWindow window) {
  QTextBrowser* browser = Browser(window);
  return browser != nullptr && browser->isVisible();
}

void CHelpViewer::BringToTop(HelpWindow window) {
  if (QTextBrowser* browser = Browser(window)) {
    if (browser->isMinimized()) browser->showNormal();
    browser->raise();
    browser->activateWindow();
  }
}

void CHelpViewer::Close(HelpWindow window) {
  if (QTextBrowser* browser = Browser(window)) browser->close();
  windows_.erase(window);
}

QTextBrowser* CHelpViewer::Browser(HelpWindow window) const {
  const auto it = windows_.find(window);
  return it != windows_.end() ? it->second.data() : nullptr;
}

void AddHelpShortcut(QWidget* window, HelpFiles& files) {
  auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, window, [&files] { files.ShowHelp(); });
}
