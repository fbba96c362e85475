// Every window of the frame at once: nothing English left after a switch to
// German, every control named, and no text cut off or away from its field in
// either language.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_gallery.h"
#include "gui/ex_resize_dialog.h"
#include "gui/ui_texts.h"
#include "services/language_tables.h"
#include "services/tooltip_markup.h"

namespace {

// Every text the program holds in English that reads differently in German.
std::set<QString> EnglishOnlyTexts() {
  std::set<QString> texts;
  for (const LanguageTextEntry& e : ControlTextTable()) {
    if (std::string(e.english) != e.german) texts.insert(QString::fromUtf8(e.english));
  }
  for (const LanguageTextEntry& e : TooltipTextTable()) {
    if (std::string(e.english) != e.german) {
      texts.insert(QString::fromStdString(TooltipMarkupToPlainText(e.english)).trimmed());
    }
  }
  for (const gui::UiText& text : gui::AllUiTexts()) {
    if (std::string(text.english) != text.german) texts.insert(QString::fromUtf8(text.english));
  }
  // Accessible names drop the mnemonic mark.
  std::set<QString> plain;
  for (const QString& text : texts) plain.insert(QString(text).remove('&'));
  texts.insert(plain.begin(), plain.end());
  return texts;
}

class AllWindowsTest : public testing::Test {
 protected:
  uitest::ScopedLanguage english_{kLanguageEnglish};
  uitest::DialogGallery gallery_;
};

TEST_F(AllWindowsTest, NoEnglishTextIsLeftAfterSwitchingToGerman) {
  gallery_.SwitchLanguage(kLanguageGerman);
  const std::set<QString> english = EnglishOnlyTexts();
  int dialogs = 0;
  for (const uitest::DialogGallery::Window& window : gallery_.Windows()) {
    if (window.dialog == nullptr) continue;  // the popups show their callers' texts
    ++dialogs;
    for (const QString& text : uitest::VisibleTexts(window.widget)) {
      EXPECT_EQ(english.count(text), 0u) << window.name << ": \"" << text.toStdString() << '"';
    }
  }
  EXPECT_GE(dialogs, 4);
}

TEST_F(AllWindowsTest, EveryControlHasAnAccessibleNameInBothLanguages) {
  for (int language : {kLanguageEnglish, kLanguageGerman}) {
    gallery_.SwitchLanguage(language);
    for (const uitest::DialogGallery::Window& window : gallery_.Windows()) {
      if (window.dialog == nullptr) continue;
      for (QWidget* control : gui::WindowControls(window.widget)) {
        if (gui::ControlId(control) == 0) continue;
        EXPECT_FALSE(gui::AccessibleName(control).trimmed().isEmpty())
            << window.name << " control " << gui::ControlId(control) << " language " << language;
      }
    }
  }
}

// The width a control needs to show its whole text. A push button may be
// narrower than the style's preferred width as long as its text fits.
int NeededWidth(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control); label && label->wordWrap()) {
    return 0;
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
    return button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) +
           2 * margin;
  }
  return control->minimumSizeHint().width();
}

TEST_F(AllWindowsTest, TextsFitAndLabelsStandBesideTheirFields) {
  for (int language : {kLanguageEnglish, kLanguageGerman}) {
    gallery_.SwitchLanguage(language);
    QApplication::processEvents();
    for (const uitest::DialogGallery::Window& window : gallery_.Windows()) {
      if (window.dialog == nullptr) continue;
      for (QWidget* control : gui::WindowControls(window.widget)) {
        if (!control->isVisible()) continue;
        const bool hasText = qobject_cast<QLabel*>(control) ||
                             qobject_cast<QAbstractButton*>(control) ||
                             qobject_cast<QGroupBox*>(control);
        if (!hasText) continue;
        EXPECT_GE(control->width(), NeededWidth(control))
            << window.name << " control " << gui::ControlId(control) << " language " << language;
        const auto* label = qobject_cast<QLabel*>(control);
        if (label == nullptr || label->buddy() == nullptr) continue;
        const QRect field = label->buddy()->geometry();
        const QRect text = label->geometry();
        EXPECT_LT(text.right(), field.left()) << window.name << " " << gui::ControlId(control);
        EXPECT_TRUE(field.top() <= text.center().y() && text.center().y() <= field.bottom())
            << window.name << " " << gui::ControlId(control);
      }
    }
  }
}

// The letter after a single '&' of a text, lower case; none without one.
std::optional<QChar> Mnemonic(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return std::nullopt;
}

// In the main window Alt and a letter reach one control, never two; the menu
// bar's titles count too. (Some dialogs' own texts share a letter; Alt then
// moves the focus between them, as it does on Windows.)
TEST_F(AllWindowsTest, MnemonicsAreUniqueInTheMainWindow) {
  int windows = 0;
  for (int language : {kLanguageEnglish, kLanguageGerman}) {
    gallery_.SwitchLanguage(language);
    for (const uitest::DialogGallery::Window& window : gallery_.Windows()) {
      if (window.dialog == nullptr || window.name.rfind("main_window_", 0) != 0) continue;
      ++windows;
      std::map<QChar, QString> taken;
      auto take = [&](const QString& text) {
        const std::optional<QChar> letter = Mnemonic(text);
        if (!letter) return;
        const auto [at, fresh] = taken.emplace(*letter, text);
        EXPECT_TRUE(fresh) << window.name << " language " << language << ": \""
                           << text.toStdString() << "\" and \"" << at->second.toStdString()
                           << "\" share Alt+" << QString(*letter).toStdString();
      };
      for (QWidget* control : gui::WindowControls(window.widget)) {
        if (!control->isVisibleTo(window.widget)) continue;
        if (const auto* button = qobject_cast<QAbstractButton*>(control)) take(button->text());
        if (const auto* label = qobject_cast<QLabel*>(control); label && label->buddy()) {
          take(label->text());
        }
        if (const auto* group = qobject_cast<QGroupBox*>(control)) take(group->title());
      }
      for (const QMenuBar* bar : window.widget->findChildren<QMenuBar*>()) {
        for (const QAction* menu : bar->actions()) take(menu->text());
      }
    }
  }
  EXPECT_GE(windows, 2);
}

}  // namespace
