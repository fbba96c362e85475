// Re-texting windows by control id when the language switches, the window
// kinds of Qt widgets, tooltips from the dialog base's hook and accessible
// names.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/ex_resize_dialog.h"
#include "gui/ui_test_support.h"
#include "gui/window_texts.h"

namespace {

// A dialog made of one control of each kind, with ids the texts know.
class SampleDialog : public CExResizeDialog {
 public:
  explicit SampleDialog(QWidget* parent = nullptr) : CExResizeDialog(151, parent) {
    setWindowTitle("resource caption");
    Add(new QPushButton("&Cancel", this), 2);
    Add(new QCheckBox("&Show All Removable Drives", this), 1600);
    Add(new QLabel("External Image Handler Software", this), 1603);
    group = new QGroupBox("group", this);
    Add(group, 1104);
    Add(new QLabel("inside the group box", group), 1606);
    Add(new QLineEdit("/usr/bin/tool", this), 2006);  // an edit keeps its text
    Add(new QRadioButton("radio", this), 2007);       // radio buttons too
    Add(new QLabel("status line", this), 1126);       // no entry: unchanged
    auto* image = new QToolButton(this);              // an image button
    Add(image, 1105);
  }
  void Register() { RegisterWithLanguage(); }
  template <class T>
  T* Get(int id) const {
    return gui::FindControl<T>(this, id);
  }
  QGroupBox* group;

 private:
  void Add(QWidget* control, int id) { gui::SetControlId(control, id); }
};

TEST(WindowKinds, QtWidgetsMapToTheKindsOfTheTexts) {
  QWidget parent;
  QPushButton defaultButton(&parent);
  defaultButton.setDefault(true);
  QCheckBox triState(&parent);
  triState.setTristate(true);
  struct Case {
    QWidget* widget;
    WindowKind kind;
  };
  QPushButton push;
  QToolButton tool;
  QGroupBox group;
  QCheckBox check;
  QRadioButton radio;
  QLabel label;
  QLineEdit edit;
  QComboBox combo;
  QListWidget list;
  QTableWidget listView;
  QDialog dialog;
  QToolBar toolBar;
  QStatusBar statusBar;
  const Case cases[] = {
      {&push, WindowKind::kPushButton},
      {&defaultButton, WindowKind::kPushButton},
      {&tool, WindowKind::kPushButton},
      {&group, WindowKind::kGroupBox},
      {&check, WindowKind::kCheckBox},
      {&triState, WindowKind::kOther},
      {&radio, WindowKind::kOther},
      {&label, WindowKind::kStaticText},
      {&edit, WindowKind::kEdit},
      {&combo, WindowKind::kComboBox},
      {&list, WindowKind::kListBox},
      {&listView, WindowKind::kOther},
      {&dialog, WindowKind::kDialog},
      {&toolBar, WindowKind::kToolOrStatusBar},
      {&statusBar, WindowKind::kToolOrStatusBar},
      {&parent, WindowKind::kOther},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gui::ClassifyWidget(c.widget), c.kind) << c.widget->metaObject()->className();
  }
}

TEST(WindowTexts, RegisteringBeforeALanguageKeepsTheResourceTexts) {
  uitest::ScopedLanguage none(kLanguageNone);
  SampleDialog dialog;
  dialog.Register();
  EXPECT_EQ(dialog.windowTitle(), "resource caption");
  EXPECT_EQ(dialog.Get<QPushButton>(2)->text(), "&Cancel");
  EXPECT_TRUE(dialog.Get<QPushButton>(2)->toolTip().isEmpty());
}

TEST(WindowTexts, ASwitchRetextsEveryOpenRegisteredDialogAtOnce) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  const std::size_t before = GetLanguageTexts().RegisteredWindowCount();
  SampleDialog first;
  SampleDialog second;
  first.Register();
  second.Register();
  first.show();
  second.show();
  EXPECT_EQ(GetLanguageTexts().RegisteredWindowCount(), before + 2);
  EXPECT_EQ(first.windowTitle(), "Application Settings");  // caption by template id
  EXPECT_EQ(first.Get<QPushButton>(2)->text(), "&Close");

  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  for (SampleDialog* dialog : {&first, &second}) {
    EXPECT_EQ(dialog->windowTitle(), "Programmeinstellungen");
    EXPECT_EQ(dialog->Get<QPushButton>(2)->text(), "&Schließen");
    EXPECT_EQ(dialog->Get<QCheckBox>(1600)->text(), "&Alle Wechseldatenträger anzeigen");
    EXPECT_EQ(dialog->Get<QLabel>(1603)->text(), "Externes Abbildbearbeitungsprogramm");
    EXPECT_EQ(dialog->Get<QLineEdit>(2006)->text(), "/usr/bin/tool");
    EXPECT_EQ(dialog->Get<QRadioButton>(2007)->text(), "radio");
    EXPECT_EQ(dialog->Get<QLabel>(1126)->text(), "status line");
    EXPECT_EQ(dialog->Get<QGroupBox>(1104)->title(), "&Wechseldatenträger");
    // A label inside the group box is one of the dialog's controls as well.
    EXPECT_EQ(dialog->Get<QLabel>(1606)->text(), "Externes Programm");
    // Tooltips come from the hook by id, as rich text.
    EXPECT_TRUE(dialog->Get<QPushButton>(2)->toolTip().contains("Fenster schließen"));
    EXPECT_TRUE(dialog->Get<QToolButton>(1105)->toolTip().contains("<b>Containername</b>"));
    // An image button is named by its tooltip.
    EXPECT_EQ(gui::AccessibleName(dialog->Get<QToolButton>(1105)), "Containername speichern");
  }
  GetLanguageTexts().SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(first.Get<QPushButton>(2)->text(), "&Close");
  EXPECT_TRUE(first.Get<QPushButton>(2)->toolTip().contains("Close this Window"));
  EXPECT_EQ(gui::AccessibleName(first.Get<QToolButton>(1105)), "Save Container Name");
}

TEST(WindowTexts, ADestroyedDialogLeavesTheList) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  const std::size_t before = GetLanguageTexts().RegisteredWindowCount();
  {
    SampleDialog dialog;
    dialog.Register();
    EXPECT_EQ(GetLanguageTexts().RegisteredWindowCount(), before + 1);
  }
  EXPECT_EQ(GetLanguageTexts().RegisteredWindowCount(), before);
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);  // must not touch the gone dialog
}

TEST(WindowTexts, ControlsOfAChildWindowBelongToThatWindow) {
  SampleDialog dialog;
  QDialog child(&dialog);
  auto* inner = new QPushButton("inner", &child);
  gui::SetControlId(inner, 4711);
  EXPECT_EQ(gui::FindControl(&dialog, 4711), nullptr);
  EXPECT_EQ(gui::FindControl(&child, 4711), inner);
  EXPECT_EQ(gui::FindControl(&dialog, 0), nullptr);
  EXPECT_EQ(gui::ControlId(&dialog), 0);
}

TEST(AccessibleNames, TextsWithoutMnemonicLabelsForFieldsAndOwnNames) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  QWidget window;
  auto* button = new QPushButton("&Save", &window);
  auto* label = new QLabel("Container &Name", &window);
  auto* field = new QLineEdit(&window);
  label->setBuddy(field);
  auto* status = new QLineEdit(&window);
  for (auto [w, id] :
       {std::pair<QWidget*, int>{button, 2006}, {label, 1129}, {field, 1134}, {status, 1510}}) {
    gui::SetControlId(w, id);
  }
  gui::SetOwnAccessibleName(status, "Read status", "Lesestatus");
  gui::RefreshAccessibleNames(&window);
  EXPECT_EQ(gui::AccessibleName(button), "Save");
  EXPECT_EQ(gui::AccessibleName(field), "Container Name");
  EXPECT_EQ(gui::AccessibleName(status), "Read status");
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  gui::RefreshAccessibleNames(&window);
  EXPECT_EQ(gui::AccessibleName(status), "Lesestatus");
}

}  // namespace
