// The shared controls: status label colours, the light, the number field,
// the edit context menu, the popup menu and the language-bound label.
#include <QAction>
#include <QContextMenuEvent>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "gui/button_led.h"
#include "gui/colors.h"
#include "gui/edit_context_menu.h"
#include "gui/enter_edit.h"
#include "gui/ex_static.h"
#include "gui/icons.h"
#include "gui/simple_popup_menu.h"
#include "gui/static_language.h"
#include "gui/ui_test_support.h"

namespace {
using Dornveld::GUI::CExStatic;

TEST(Colors, ColorRefIsBlueGreenRed) {
  EXPECT_EQ(gui::ColorFromColorRef(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(gui::ColorFromColorRef(0x00DCDC), QColor(220, 220, 0));
  EXPECT_EQ(gui::ColorFromColorRef(0x0057B0B0), QColor(176, 176, 87));
}

TEST(ExStatic, SeveritiesShowTheirColours) {
  CExStatic status;
  struct Case {
    int severity;
    QColor background;
    QColor text;
  };
  const Case cases[] = {
      {0, QColor(0, 160, 0), Qt::white},
      {1, QColor(220, 220, 0), Qt::black},
      {2, QColor(255, 0, 0), Qt::white},
      {7, QColor(255, 0, 0), Qt::white},
  };
  for (const Case& c : cases) {
    status.SetStatus("--- Start-Sector not set ---", c.severity);
    EXPECT_EQ(status.palette().color(QPalette::Window), c.background) << c.severity;
    EXPECT_EQ(status.palette().color(QPalette::WindowText), c.text) << c.severity;
  }
  EXPECT_EQ(status.text(), "--- Start-Sector not set ---");
  EXPECT_TRUE(status.autoFillBackground());
}

TEST(ButtonLed, ShowsTheColourOfItsState) {
  CButtonLed led;
  led.SetColors(0x00C000, 0xC8C8C8, 0x0000FF);
  EXPECT_EQ(led.CurrentColor(), QColor(200, 200, 200));
  led.SetLit(true);
  EXPECT_EQ(led.CurrentColor(), QColor(0, 192, 0));
  led.SetState(CButtonLed::State::kThird);
  EXPECT_EQ(led.CurrentColor(), QColor(255, 0, 0));
  // The light is painted in its colour (the centre pixel, below the shine).
  led.SetLit(true);
  led.resize(32, 32);
  const QImage image = led.grab().toImage();
  const QColor centre = image.pixelColor(16, 22);
  EXPECT_GT(centre.green(), 150);
  EXPECT_LT(centre.red(), 100);
}

TEST(Icons, EveryIconIsAValidPicture) {
  for (int id : {128,  147,  149,  158,  160,  161,  1127, 1105, 1113, 1106, 1107, 1108, 1109, 1110,
                 1111, 1114, 1116, 1118, 1119, 1143, 1144, 1146, 1136, 1140, 1141, 1138, 57670}) {
    QSvgRenderer renderer(gui::IconSource(id));
    EXPECT_TRUE(renderer.isValid()) << id;
    EXPECT_FALSE(gui::ResourceIcon(id).pixmap(16, 16).isNull()) << id;
  }
  EXPECT_TRUE(gui::IconPath(4711).isEmpty());
}

class EnterRecorder : public IEnterEditCallback {
 public:
  void OnEnterEditEnter(CEnterEditBase& edit) override { entered.append(edit.text()); }
  QStringList entered;
};

TEST(EnterEdit, ReportsEnterForANumberOrItsBeginningWhichReadsAsZero) {
  CEnterEdit field;
  EnterRecorder recorder;
  field.SetCallback(&recorder);
  std::uint32_t value = 7;
  for (const char* begun : {"", "-", "0x"}) {
    field.setText(begun);
    QTest::keyClick(&field, Qt::Key_Return);
    ASSERT_TRUE(field.GetValue(value)) << begun;
    EXPECT_EQ(value, 0u) << begun;
  }
  field.setText("0x3F");
  QTest::keyClick(&field, Qt::Key_Return);
  QTest::keyClick(&field, Qt::Key_Enter);
  EXPECT_EQ(recorder.entered, (QStringList{"", "-", "0x", "0x3F", "0x3F"}));
  ASSERT_TRUE(field.GetValue(value));
  EXPECT_EQ(value, 63u);
  // Text put in by the program past the validator never reads.
  field.setText("0x 1");
  QTest::keyClick(&field, Qt::Key_Return);
  EXPECT_EQ(recorder.entered.size(), 5);
  EXPECT_FALSE(field.GetValue(value));
}

TEST(EnterEdit, TypingCannotMakeGarbage) {
  CEnterEdit field;
  QTest::keyClicks(&field, "12z3");
  EXPECT_EQ(field.text(), "123");
  field.clear();
  QTest::keyClicks(&field, "b10201");
  EXPECT_EQ(field.text(), "b1001");
  field.clear();
  QTest::keyClicks(&field, "-16#fF");
  EXPECT_EQ(field.Value(), std::optional<std::int64_t>(-255));
  std::uint32_t value = 0;
  ASSERT_TRUE(field.GetValue(value));
  EXPECT_EQ(value, 0xFFFFFF01u);  // as strtoul reads a negative number
}

TEST(EnterEdit, ShowsValuesInTheGivenFormat) {
  CEnterEdit field;
  field.SetValue(63, "0x%08X");
  EXPECT_EQ(field.text(), "0x0000003F");
  field.SetValue(4096, "%u");
  EXPECT_EQ(field.text(), "4096");
}

class MenuOwner : public CEditContextMenuItf {
 public:
  void ShowContextMenu(CEditContextMenu& edit, const QPoint& globalPos) override {
    shownFor = &edit;
    at = globalPos;
  }
  CEditContextMenu* shownFor = nullptr;
  QPoint at;
};

TEST(EditContextMenu, TheOwnerShowsTheMenu) {
  CEditContextMenu edit;
  MenuOwner owner;
  edit.SetContextMenuOwner(&owner);
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 4), QPoint(103, 204));
  QApplication::sendEvent(&edit, &event);
  EXPECT_EQ(owner.shownFor, &edit);
  EXPECT_EQ(owner.at, QPoint(103, 204));
  EXPECT_TRUE(event.isAccepted());
}

TEST(SimplePopupMenu, TrackAnswersTheChosenCommandOrZero) {
  Dornveld::GUI::CSimplePopupMenu menu;
  menu.AddItem(29000, "&Clear Dornveld Container File");
  menu.AddSeparator();
  menu.AddItem(29001, "Second");
  QTimer::singleShot(0, [&] {
    QTest::keyClick(&menu.Menu(), Qt::Key_Down);
    QTest::keyClick(&menu.Menu(), Qt::Key_Down);
    QTest::keyClick(&menu.Menu(), Qt::Key_Return);
  });
  EXPECT_EQ(menu.Track(QPoint(10, 10)), 29001);
  QTimer::singleShot(0, [&] { QTest::keyClick(&menu.Menu(), Qt::Key_C); });  // the mnemonic
  EXPECT_EQ(menu.Track(QPoint(10, 10)), 29000);
  QTimer::singleShot(0, [&] { QTest::keyClick(&menu.Menu(), Qt::Key_Escape); });
  EXPECT_EQ(menu.Track(QPoint(10, 10)), 0);
}

TEST(StaticLanguage, FollowsTheLanguageWithItsOwnTexts) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  CStaticLanguage line;
  line.setText("as created");
  EXPECT_EQ(line.text(), "as created");
  line.SetTexts(" No virtual disk driver found !", " Keinen Virtual Disk Treiber gefunden !");
  EXPECT_EQ(line.text(), " No virtual disk driver found !");
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(line.text(), " Keinen Virtual Disk Treiber gefunden !");
  line.SetTexts(nullptr, "nur deutsch");
  EXPECT_EQ(line.text(), "nur deutsch");
  GetLanguageTexts().SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(line.text(), "");
}

}  // namespace
