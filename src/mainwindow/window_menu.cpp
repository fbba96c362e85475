// The window menu, the tool bar "Standard", the status bar with its keyboard
// indicators, and the language switch that re-texts them.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVariant>

#include "base/current_language.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/ex_static.h"
#include "gui/icons.h"
#include "gui/ui_texts.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/keyboard_locks.h"
#include "services/app_settings.h"
#include "services/language_texts.h"

namespace {
constexpr char kCommandIdProperty[] = "quillfenCommandId";
// An entry whose text the language tables do not hold carries its own pair.
constexpr char kOwnTextProperty[] = "quillfenOwnText";
constexpr int kLockPollMs = 400;
constexpr int kToolBarIcon = 20;

int CommandIdOf(const QAction* action) {
  return action->property(kCommandIdProperty).toInt();
}

QAction* FindAction(const QList<QAction*>& actions, int commandId) {
  for (QAction* action : actions) {
    if (CommandIdOf(action) == commandId) return action;
    if (action->menu() != nullptr) {
      if (QAction* inner = FindAction(action->menu()->actions(), commandId)) return inner;
    }
  }
  return nullptr;
}
}  // namespace

void CTarnwickDlg::CreateSystemMenu() {
  menuBar_ = new QMenuBar(this);
  systemMenu_ = menuBar_->addMenu(gui::kTextWindowMenu.Get());
  // The card images first: what a user without a card reader needs at once.
  AddMenuCommand(systemMenu_, kCmdAttachCardImage, "Attach Card Image...");
  AddMenuCommand(systemMenu_, kCmdDetachCardImage, "Detach Card Image");
  AddMenuCommand(systemMenu_, kCmdAttachFloppyImage, "Attach Floppy Image...");
  AddMenuCommand(systemMenu_, kCmdDetachFloppyImage, "Detach Floppy Image");
  QAction* saveCard =
      AddMenuCommand(systemMenu_, kIdSaveCard, "Save Compact Flash to Image File...");
  saveCard->setProperty(kOwnTextProperty,
                        QVariant::fromValue<const void*>(&gui::kTextSaveCardMenu));
  AddMenuCommand(systemMenu_, kCmdExportImages, "Export All Images...");
  AddMenuCommand(systemMenu_, kCmdImportImages, "Import Images...");
  // Enabled once a card is there.
  AddMenuCommand(systemMenu_, kCmdCheckCard, "Check Card...")->setEnabled(false);
  systemMenu_->addSeparator();
  AddMenuCommand(systemMenu_, kCmdSettings, "Application Settings");
  AddMenuCommand(systemMenu_, kCmdRegisterExtension, "Register .DFP Extension");
  systemMenu_->addSeparator();
  languageMenu_ = systemMenu_->addMenu(QStringLiteral("Language"));
  for (int id : {kCmdEnglish, kCmdGerman}) {
    AddMenuCommand(languageMenu_, id,
                   id == kCmdEnglish ? "English / Englisch" : "German / Deutsch");
  }
  systemMenu_->addSeparator();
  AddMenuCommand(systemMenu_, kCmdAbout, "About");
  AddMenuCommand(systemMenu_, kCmdHelp, "Help\tF1");
}

QAction* CTarnwickDlg::AddMenuCommand(QMenu* menu, int commandId, const char* initialText) {
  QAction* action = menu->addAction(QString::fromUtf8(initialText));
  action->setProperty(kCommandIdProperty, commandId);
  ConnectCommand(action, commandId);
  return action;
}

void CTarnwickDlg::ConnectCommand(QAction* action, int commandId) {
  if (commandId == kCmdEnglish || commandId == kCmdGerman) {
    // Checked however it was toggled (a click, a key, a screen reader's
    // toggle, the program), the entry follows the language.
    action->setCheckable(true);
    connect(action, &QAction::toggled, this,
            [this, commandId](bool checked) { OnLanguageToggled(commandId, checked); });
    return;
  }
  // After the action returns: a command may open a modal window, which
  // would hold whoever triggered the action (a screen reader) until it closes.
  connect(
      action, &QAction::triggered, this,
      [this, commandId] { RunQueuedCommand([this, commandId] { OnCommand(commandId); }); },
      Qt::QueuedConnection);
}

void CTarnwickDlg::OnLanguageToggled(int commandId, bool checked) {
  const bool german = commandId == kCmdGerman;
  // The check mark as the language stands: nothing to do (the switch itself
  // moves the marks). Otherwise the user checked the other language, or
  // unchecked the current one, which keeps it.
  if (checked == (german == IsGermanLanguage())) return;
  SetLanguage(german);
}

void CTarnwickDlg::CreateToolBar() {
  toolBar_ = new QToolBar(gui::kTextToolBarName.Get(), this);
  toolBar_->setIconSize(QSize(kToolBarIcon, kToolBarIcon));
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  auto add = [this](int id) {
    QAction* action = toolBar_->addAction(gui::ResourceIcon(id), QString());
    action->setProperty(kCommandIdProperty, id);
    ConnectCommand(action, id);
    auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action));
    gui::SetControlId(button, id);
    // A button toggled without a click (a screen reader's toggle) does not
    // tell its action by itself.
    if (action->isCheckable()) connect(button, &QToolButton::toggled, action, &QAction::setChecked);
    return action;
  };
  add(kCmdSettings);
  toolBar_->addSeparator();
  add(kCmdEnglish);
  add(kCmdGerman);
  // About and help at the right end.
  auto* spacer = new QWidget(toolBar_);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolBar_->addWidget(spacer);
  add(kCmdAbout);
  add(kCmdHelp);
}

void CTarnwickDlg::CreateStatusBar() {
  statusBar_ = new QStatusBar(this);
  statusBar_->setSizeGripEnabled(true);
  for (auto [label, id] :
       {std::pair{&capsIndicator_, kIdIndicatorCaps}, std::pair{&numIndicator_, kIdIndicatorNum},
        std::pair{&scrollIndicator_, kIdIndicatorScroll}}) {
    *label = new QLabel(statusBar_);
    gui::SetControlId(*label, id);
    (*label)->setAlignment(Qt::AlignCenter);
    (*label)->setFrameShape(QFrame::StyledPanel);
    (*label)->setFrameShadow(QFrame::Sunken);
    statusBar_->addPermanentWidget(*label);
  }
  UpdateStatusBarIndicators(false);
  // The lock keys are read from the keyboard, whichever window has the focus.
  lockPoll_.setInterval(kLockPollMs);
  connect(&lockPoll_, &QTimer::timeout, this, &CTarnwickDlg::UpdateLockIndicators);
  lockPoll_.start();
  UpdateLockIndicators();
}

QAction* CTarnwickDlg::MenuAction(int commandId) const {
  return systemMenu_ != nullptr ? FindAction(systemMenu_->actions(), commandId) : nullptr;
}

QAction* CTarnwickDlg::ToolBarAction(int commandId) const {
  return toolBar_ != nullptr ? FindAction(toolBar_->actions(), commandId) : nullptr;
}

bool CTarnwickDlg::OnCommand(int commandId) {
  switch (commandId) {
    case kCmdSettings:
      OnAppSettings();
      return true;
    case kCmdRegisterExtension:
      OnRegisterExtension();
      return true;
    case kCmdAbout:
      OnAbout();
      return true;
    case kCmdHelp:
      OnHelp();
      return true;
    case kCmdEnglish:
    case kCmdGerman:
      SetLanguage(commandId == kCmdGerman);
      return true;
    case kCmdAttachCardImage:
      OnAttachCardImage();
      return true;
    case kCmdDetachCardImage:
      OnDetachCardImage();
      return true;
    case kCmdAttachFloppyImage:
      OnAttachFloppyImage();
      return true;
    case kCmdDetachFloppyImage:
      OnDetachFloppyImage();
      return true;
    case kIdSaveCard:
      OnSaveCardToImage();
      return true;
    case kCmdExportImages:
      OnExportImages();
      return true;
    case kCmdImportImages:
      OnImportImages();
      return true;
    case kCmdCheckCard:
      OnCheckCard();
      return true;
    default:
      return false;
  }
}

void CTarnwickDlg::SetLanguage(bool german) {
  settings_.StoreLanguageSetting(german ? 1 : 0);
  GetLanguageTexts().SwitchLanguage(german ? kLanguageGerman : kLanguageEnglish);
  ApplySettings();
  SearchDrives();
  TranslateSystemMenu(systemMenu_, german);
  UpdateStatusBarIndicators(german);
  UpdateToolbarTooltips();
}

void CTarnwickDlg::OnTextsApplied() {
  // Every text button keeps room around its text in either language.
  for (QWidget* control : gui::WindowControls(this)) {
    auto* button = qobject_cast<QPushButton*>(control);
    if (button == nullptr) continue;
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    const QString text = QString(button->text()).remove('&');
    button->setMinimumWidth(button->fontMetrics().horizontalAdvance(text) + 2 * margin + 16);
  }
  // Whoever switched the language, the texts this window makes follow.
  const bool german = IsGermanLanguage();
  TranslateSystemMenu(systemMenu_, german);
  UpdateStatusBarIndicators(german);
  UpdateToolbarTooltips();
  if (cardView_) {
    const CardStatusView view =
        DescribeCardState(cardState_, cardSize_, cardFileSystem_, CardWriteProtected());
    statusLine_->setText(QString::fromStdString(view.statusText));
    statusLine_->setAccessibleDescription(statusLine_->text());
  }
  // The slots' descriptions in the new language, from what is known of them.
  for (std::uint32_t slot = 0; slot < slotRecordsRead_; ++slot) (void)ShowSlotContents(slot);
}

void CTarnwickDlg::TranslateSystemMenu(QMenu* menu, bool german) {
  if (menu == nullptr) return;
  if (menu == systemMenu_) menu->setTitle(gui::kTextWindowMenu.Get());
  const LanguageTexts& texts = GetLanguageTexts();
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) continue;
    if (action->menu() != nullptr) {
      const std::string text = texts.GetText(kLanguageMenuKey);
      if (!text.empty()) action->setText(QString::fromStdString(text));
      TranslateSystemMenu(action->menu(), german);
      continue;
    }
    const int id = CommandIdOf(action);
    if (id == 0) continue;
    std::string text = texts.GetText(id);
    const QVariant own = action->property(kOwnTextProperty);
    if (text.empty() && own.isValid()) {
      text = static_cast<const gui::UiText*>(own.value<const void*>())->Get().toStdString();
    }
    // Before a language is chosen the tables give nothing: the text stays.
    if (!text.empty()) action->setText(QString::fromStdString(text));
    if (id == kCmdEnglish) action->setChecked(!german);
    if (id == kCmdGerman) action->setChecked(german);
  }
}

void CTarnwickDlg::UpdateStatusBarIndicators(bool german) {
  const std::pair<QLabel*, const gui::UiText*> indicators[] = {
      {capsIndicator_, &gui::kTextCapsIndicator},
      {numIndicator_, &gui::kTextNumIndicator},
      {scrollIndicator_, &gui::kTextScrollIndicator}};
  for (const auto& [label, text] : indicators) {
    label->setText(QString::fromUtf8(german ? text->german : text->english));
    // As wide as the widest text either language gives it.
    const QFontMetrics metrics(label->font());
    label->setMinimumWidth(std::max(metrics.horizontalAdvance(QString::fromUtf8(text->english)),
                                    metrics.horizontalAdvance(QString::fromUtf8(text->german))) +
                           12);
  }
  statusBar_->updateGeometry();
}

void CTarnwickDlg::UpdateLockIndicators() {
  const platform::LockKeyState keys = platform::ReadLockKeys();
  // An indicator that is off stays in place, greyed.
  capsIndicator_->setEnabled(keys.capsLock);
  numIndicator_->setEnabled(keys.numLock);
  scrollIndicator_->setEnabled(keys.scrollLock);
}

void CTarnwickDlg::UpdateToolbarTooltips() {
  const LanguageTexts& texts = GetLanguageTexts();
  const bool german = IsGermanLanguage();
  for (QAction* action : toolBar_->actions()) {
    const int id = CommandIdOf(action);
    if (action->isSeparator() || id == 0) continue;
    std::string markup;
    if (texts.GetTooltip(id, markup)) action->setToolTip(gui::TooltipHtml(markup));
    const std::string text = texts.GetText(id);
    if (!text.empty()) {
      action->setText(QString::fromStdString(text));
      // The button's own text (what assistive tools read) without the
      // mnemonic and the shortcut shown in the menu.
      QString plain = QString::fromStdString(text.substr(0, text.find('\t')));
      plain.remove('&');
      action->setIconText(plain);
      // The language texts give the button its menu text by its id: an image
      // button has no mnemonic, so that Alt and the letter reach the window's
      // own control of that letter.
      if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action))) {
        button->setText(plain);
      }
    }
    if (id == kCmdEnglish) action->setChecked(!german);
    if (id == kCmdGerman) action->setChecked(german);
  }
}
