// The progress popup: its size and place, the owner it disables and
// restores, and the events it lets run.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include "services/dialogs/progress_owner.h"
#include "services/dialogs/progress_state_wnd.h"

namespace {

class ProgressPopupTest : public testing::Test {
 protected:
  ProgressPopupTest() {
    owner_.setGeometry(100, 120, 640, 480);
    owner_.show();
  }
  QDialog owner_;
};

TEST_F(ProgressPopupTest, HeightFollowsLinesAndBar) {
  struct Case {
    std::uint32_t options;
    int height;
    bool bar;
  };
  const Case cases[] = {
      {kProgressVisible, 55, true},
      {kProgressVisible | kProgressNoBar, 33, false},
      {kProgressVisible | kProgressTwoLines, 80, true},
      {kProgressVisible | kProgressTwoLines | kProgressNoBar, 58, false},
  };
  for (const Case& c : cases) {
    CProgressStateWnd popup("Search Drive(s) [PERCENT]", c.options, &owner_);
    EXPECT_EQ(popup.height(), c.height) << c.options;
    EXPECT_EQ(popup.width(), 300) << c.options;
    EXPECT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.Bar() != nullptr, c.bar);
    EXPECT_TRUE(popup.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(popup.windowType(), Qt::Tool);
  }
}

TEST_F(ProgressPopupTest, TheBarSitsUnderTheTextInsideTheMargins) {
  CProgressStateWnd popup("Read [PERCENT]", kProgressVisible, &owner_);
  const QRect client = popup.contentsRect();
  EXPECT_EQ(popup.Bar()->geometry(),
            QRect(client.left() + 2, client.bottom() + 1 - 2 - 20, client.width() - 4, 20));
}

TEST_F(ProgressPopupTest, WidthFitsTheWidestLineAndStaysCentred) {
  CProgressStateWnd popup("short", kProgressVisible, &owner_);
  const QFontMetrics metrics(popup.font());
  QString line = "Write Floppy Disk";
  while (metrics.horizontalAdvance(line) < 400) line += "x";
  popup.SetText(("one\n" + line).toStdString());
  EXPECT_EQ(popup.width(), metrics.horizontalAdvance(line) + 60);
  EXPECT_EQ(popup.height(), 55);  // the height stays
  EXPECT_LE((popup.frameGeometry().center() - owner_.frameGeometry().center()).manhattanLength(),
            2);
  EXPECT_EQ(popup.Bar()->width(), popup.contentsRect().width() - 4);
  popup.SetText("short again");
  EXPECT_EQ(popup.width(), 300);
}

TEST_F(ProgressPopupTest, BarAndTextAsTheProgressStateMakesThem) {
  CProgressStateWnd popup("Write Floppy Disk [PERCENT]", kProgressVisible, &owner_);
  EXPECT_EQ(popup.FormattedText(), "Write Floppy Disk 0 %");
  popup.SetProgressState(0, 65536);
  popup.SetProgressState(1, 32768);
  EXPECT_EQ(popup.Bar()->maximum(), 65536);
  EXPECT_EQ(popup.Bar()->value(), 32768);
  EXPECT_EQ(popup.FormattedText(), "Write Floppy Disk 50 %");
  // A position outside the range shows at its end, as a progress control does.
  popup.SetProgressState(1, 70000);
  EXPECT_EQ(popup.Bar()->value(), 65536);
  CProgressStateWnd notice("Read [PERCENT]", kProgressVisible | kProgressNoBar, &owner_);
  EXPECT_EQ(notice.FormattedText(), "Read [PERCENT]");
}

TEST_F(ProgressPopupTest, TheOwnerIsRestoredExactlyAsItWas) {
  {
    CProgressStateWnd popup("x", kProgressVisible, &owner_);
    EXPECT_FALSE(owner_.isEnabled());
    EXPECT_TRUE(popup.isEnabled());  // the popup itself stays usable
    EXPECT_TRUE(popup.Bar()->isEnabled());
  }
  EXPECT_TRUE(owner_.isEnabled());

  owner_.setEnabled(false);
  { CProgressStateWnd popup("x", kProgressVisible, &owner_); }
  EXPECT_FALSE(owner_.isEnabled());
  owner_.setEnabled(true);

  // Nested displays over one owner hand the state back in turn.
  {
    CProgressStateWnd outer("outer", kProgressVisible, &owner_);
    { CProgressStateWnd inner("inner", kProgressVisible | kProgressNoBar, &owner_); }
    EXPECT_FALSE(owner_.isEnabled());
  }
  EXPECT_TRUE(owner_.isEnabled());
}

TEST_F(ProgressPopupTest, HideKeepsTheOwnerDisabledAndShowRepaints) {
  CProgressStateWnd popup("x", kProgressVisible, &owner_);
  popup.Hide();
  EXPECT_FALSE(popup.isVisible());
  EXPECT_FALSE(popup.IsVisible());
  EXPECT_FALSE(owner_.isEnabled());
  popup.Show();
  EXPECT_TRUE(popup.isVisible());
  CProgressStateWnd later("later", 0, &owner_);
  EXPECT_FALSE(later.isVisible());
}

TEST_F(ProgressPopupTest, OnlyAPopupWithAnOwnerLetsEventsRun) {
  int ran = 0;
  QTimer::singleShot(0, [&] { ++ran; });
  {
    CProgressStateWnd lonely("x", kProgressVisible, nullptr);
    lonely.Refresh();
    lonely.SetProgressState(1, 5);
    EXPECT_EQ(ran, 0);
  }
  CProgressStateWnd owned("x", kProgressVisible, &owner_);
  owned.OnDriveSearchProgress(0, 0);
  owned.OnDriveSearchProgress(2, 30);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(owned.Bar()->value(), 30);
}

TEST_F(ProgressPopupTest, AScreenReaderFindsThePopupAsAWindowNamedByItsText) {
  CProgressStateWnd popup("Write Floppy Disk [PERCENT]", kProgressVisible, &owner_);
  QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
  QAccessibleInterface* heard = nullptr;
  for (int i = 0; i < application->childCount(); ++i) {
    if (application->child(i)->object() == &popup) heard = application->child(i);
  }
  ASSERT_NE(heard, nullptr);
  EXPECT_EQ(heard->role(), QAccessible::Window);
  EXPECT_EQ(heard->text(QAccessible::Name), "Write Floppy Disk 0 %");
  ASSERT_EQ(heard->childCount(), 1);
  EXPECT_EQ(heard->child(0)->role(), QAccessible::ProgressBar);
  popup.SetProgressState(0, 100);
  popup.SetProgressState(1, 42);
  QApplication::processEvents();  // a report held back is shown with the next pass
  EXPECT_EQ(heard->text(QAccessible::Name), "Write Floppy Disk 42 %");
}

// However fast the work reports, the popup repaints at most once per
// display interval (the events run as often).
TEST_F(ProgressPopupTest, ReportsRepaintAtMostOncePerInterval) {
  CProgressStateWnd popup("Read [PERCENT]", kProgressVisible, &owner_);
  QApplication::processEvents();
  int paints = 0;
  class PaintCount : public QObject {
   public:
    explicit PaintCount(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++count_;
      return false;
    }

   private:
    int& count_;
  } counter(paints);
  popup.installEventFilter(&counter);
  QElapsedTimer clock;
  clock.start();
  popup.OnReadProgress(-1, 100000);
  for (int position = 0; position < 100000; ++position) popup.OnReadProgress(position, 100000);
  const qint64 intervals = clock.elapsed() / kDisplayInterval.count() + 1;
  EXPECT_GE(paints, 1);
  EXPECT_LE(paints, intervals);
  EXPECT_EQ(popup.Bar()->value(), 99999);  // the bar itself is always up to date
  QApplication::processEvents();
}

TEST_F(ProgressPopupTest, AWindowHandsPopupsToCoreOperations) {
  CWidgetProgressOwner windowOwner(&owner_);
  std::unique_ptr<IProgressDisplay> display =
      windowOwner.CreateProgress("Read [PERCENT]", kProgressVisible);
  auto* popup = dynamic_cast<CProgressStateWnd*>(display.get());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->Owner(), &owner_);
  EXPECT_FALSE(owner_.isEnabled());
  display.reset();
  EXPECT_TRUE(owner_.isEnabled());
}

TEST(ProgressPopupWithoutOwner, CentresOnTheScreen) {
  CProgressStateWnd popup("x", kProgressVisible | kProgressNoBar, nullptr);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((popup.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

}  // namespace
