#include "services/language_texts.h"

#include "services/language_tables.h"
#include "services/tooltip_markup.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// A dialog as the GUI would re-text it: the window itself and its direct
// children, each with a kind, a key and a text.
class FakeDialog : public ILanguageWindow {
 public:
  struct Control {
    WindowKind kind;
    int key;
    std::string text;
  };
  explicit FakeDialog(std::vector<Control> initial) : controls(std::move(initial)) {}

  void ApplyTexts(const LanguageTexts& texts) override {
    ++applied;
    for (Control& c : controls) texts.TextForWindow(c.kind, c.key, c.text);
    if (onApply) onApply();
  }
  const std::string& Text(int index) const { return controls[index].text; }

  std::vector<Control> controls;
  int applied = 0;
  std::function<void()> onApply;
};

class RecordingObserver : public ILanguageObserver {
 public:
  void OnLanguageChanged(bool german) override {
    calls.push_back(german);
    if (onChange) onChange();
  }
  std::vector<bool> calls;
  std::function<void()> onChange;
};

FakeDialog SettingsDialog() {
  return FakeDialog({
      {WindowKind::kDialog, 151, "Application Settings (resource)"},
      {WindowKind::kCheckBox, 1600, "&Show All Removable Drives"},
      {WindowKind::kStaticText, 1603, "External Image Handler Software"},
      {WindowKind::kEdit, 1601, "/usr/bin/tool"},
      {WindowKind::kPushButton, 2006, "&Save"},
      {WindowKind::kPushButton, 2, "&Cancel"},
      {WindowKind::kStaticText, 1126, "status line"},  // no entry
      {WindowKind::kOther, 2007, "radio"},             // kind receives no texts
      {WindowKind::kComboBox, 1600, "combo"},
      {WindowKind::kStaticText, 0, "no id"},
  });
}

class LanguageTextsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentLanguageId(kLanguageNone); }
  void TearDown() override { SetCurrentLanguageId(kLanguageNone); }
  LanguageTexts texts_;
};

TEST_F(LanguageTextsTest, RegisteringBeforeAnyLanguageKeepsTheResourceTexts) {
  FakeDialog dialog = SettingsDialog();
  const FakeDialog original = dialog;
  texts_.RegisterWindow(&dialog);
  EXPECT_EQ(dialog.applied, 0);
  for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
    EXPECT_EQ(dialog.controls[i].text, original.controls[i].text);
  }
  EXPECT_EQ(texts_.GetText(1136), "");
  std::string tooltip = "untouched";
  EXPECT_FALSE(texts_.GetTooltip(1106, tooltip));
  EXPECT_EQ(tooltip, "untouched");
  texts_.UnregisterWindow(&dialog);
}

TEST_F(LanguageTextsTest, SwitchRetextsEveryWindowAndTellsEveryObserverOnce) {
  FakeDialog settings = SettingsDialog();
  FakeDialog main({{WindowKind::kDialog, 102, "x"}, {WindowKind::kGroupBox, 1104, "y"}});
  RecordingObserver first, second;
  texts_.RegisterWindow(&settings);
  texts_.RegisterWindow(&main);
  texts_.AddObserver(&first);
  texts_.AddObserver(&second);
  texts_.AddObserver(&first);  // listed once, told again at once
  EXPECT_EQ(texts_.ObserverCount(), 2u);
  EXPECT_EQ(first.calls, (std::vector<bool>{false, false}));
  first.calls.clear();
  second.calls.clear();

  texts_.SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(texts_.GetLanguage(), kLanguageGerman);
  EXPECT_EQ(CurrentLanguageId(), kLanguageGerman);  // one place holds the language
  EXPECT_EQ(settings.applied, 1);
  EXPECT_EQ(main.applied, 1);
  EXPECT_EQ(first.calls, (std::vector<bool>{true}));
  EXPECT_EQ(second.calls, (std::vector<bool>{true}));

  const std::vector<std::string> german = {"Programmeinstellungen",
                                           "&Alle Wechseldatenträger anzeigen",
                                           "Externes Abbildbearbeitungsprogramm",
                                           "/usr/bin/tool",
                                           "&Speichern",
                                           "&Schließen",
                                           "status line",
                                           "radio",
                                           "combo",
                                           "no id"};
  for (std::size_t i = 0; i < german.size(); ++i) EXPECT_EQ(settings.Text(int(i)), german[i]);
  EXPECT_EQ(main.Text(0), "Quillfen");
  EXPECT_EQ(main.Text(1), "&Wechseldatenträger");

  texts_.SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(settings.Text(0), "Application Settings");
  EXPECT_EQ(settings.Text(5), "&Close");
  EXPECT_EQ(first.calls, (std::vector<bool>{true, false}));

  texts_.RemoveObserver(&first);
  texts_.SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(first.calls.size(), 2u);
  EXPECT_EQ(second.calls.size(), 3u);
  texts_.RemoveObserver(&second);
}

TEST_F(LanguageTextsTest, RegisteringWhileALanguageIsCurrentRetextsAllWindows) {
  texts_.SwitchLanguage(kLanguageEnglish);
  FakeDialog a = SettingsDialog();
  FakeDialog b = SettingsDialog();
  texts_.RegisterWindow(&a);
  EXPECT_EQ(a.applied, 1);
  texts_.RegisterWindow(&b);
  EXPECT_EQ(a.applied, 2);  // not only the new one
  EXPECT_EQ(b.applied, 1);
  EXPECT_EQ(b.Text(5), "&Close");

  // A window listed twice is re-texted twice; unregistering removes one entry.
  texts_.RegisterWindow(&a);
  EXPECT_EQ(texts_.RegisteredWindowCount(), 3u);
  a.applied = 0;
  texts_.SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(a.applied, 2);
  texts_.UnregisterWindow(&a);
  a.applied = 0;
  texts_.SwitchLanguage(kLanguageEnglish);
  EXPECT_EQ(a.applied, 1);
  texts_.UnregisterWindow(&a);
  texts_.UnregisterWindow(&a);  // not listed any more: nothing happens
  texts_.UnregisterWindow(&b);
  EXPECT_EQ(texts_.RegisteredWindowCount(), 0u);
}

TEST_F(LanguageTextsTest, ListenersMayLeaveWhileTheyAreTold) {
  RecordingObserver leaving, staying;
  FakeDialog closing = SettingsDialog();
  FakeDialog other = SettingsDialog();
  leaving.onChange = [&] { texts_.RemoveObserver(&leaving); };
  closing.onApply = [&] { texts_.UnregisterWindow(&closing); };
  texts_.AddObserver(&leaving);
  texts_.AddObserver(&staying);
  texts_.RegisterWindow(&closing);
  texts_.RegisterWindow(&other);
  staying.calls.clear();

  texts_.SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(staying.calls, (std::vector<bool>{true}));  // not skipped
  EXPECT_EQ(other.applied, 1);
  EXPECT_EQ(texts_.ObserverCount(), 1u);
  EXPECT_EQ(texts_.RegisteredWindowCount(), 1u);
  texts_.RemoveObserver(&staying);
  texts_.UnregisterWindow(&other);
}

TEST_F(LanguageTextsTest, TextsAndTooltipsFollowTheLanguage) {
  struct Case {
    int language;
    const char* text1136;
    const char* tooltip1106;
  };
  const Case cases[] = {
      {kLanguageNone, "", nullptr},
      {kLanguageEnglish, "&Application Settings",
       "<TextBlock> Copy <Bold>Floppy</Bold> to <Bold>Compact Flash</Bold></TextBlock>"},
      {kLanguageGerman, "&Programmeinstellungen",
       "<TextBlock> <Bold>Diskette</Bold> auf <Bold>Compact Flash</Bold> kopieren</TextBlock>"},
      {3, "&Application Settings",  // any id other than 2 is English
       "<TextBlock> Copy <Bold>Floppy</Bold> to <Bold>Compact Flash</Bold></TextBlock>"},
  };
  for (const Case& c : cases) {
    SetCurrentLanguageId(c.language);
    EXPECT_EQ(texts_.GetText(1136), c.text1136) << c.language;
    std::string tooltip = "untouched";
    EXPECT_EQ(texts_.GetTooltip(1106, tooltip), c.tooltip1106 != nullptr) << c.language;
    EXPECT_EQ(tooltip, c.tooltip1106 != nullptr ? c.tooltip1106 : "untouched");
    EXPECT_EQ(texts_.GetText(4711), "");
    EXPECT_FALSE(texts_.GetTooltip(1104, tooltip));  // a control text, not a tooltip
    EXPECT_EQ(Localized("en", "de"), c.language == kLanguageGerman ? "de" : "en");
  }
  SetCurrentLanguageId(kLanguageGerman);
  EXPECT_EQ(texts_.GetText(102), "Quillfen");  // message box caption
  EXPECT_EQ(texts_.GetText(57670), "&Hilfe\tF1");
}

TEST(LanguageTables, HoldEachKeyOnceWithWellFormedTooltips) {
  EXPECT_EQ(ControlTextTable().size(), 67u);
  EXPECT_EQ(TooltipTextTable().size(), 40u);
  for (const auto& table : {ControlTextTable(), TooltipTextTable()}) {
    std::set<int> keys;
    for (const LanguageTextEntry& e : table) {
      EXPECT_TRUE(keys.insert(e.key).second) << "key twice: " << e.key;
      EXPECT_NE(std::string(e.english), "") << e.key;
      EXPECT_NE(std::string(e.german), "") << e.key;
    }
  }
  for (const LanguageTextEntry& e : TooltipTextTable()) {
    for (const std::string text : {e.english, e.german}) {
      EXPECT_EQ(text.rfind("<TextBlock>", 0), 0u) << e.key;
      EXPECT_EQ(text.size() - text.rfind("</TextBlock>"), 12u) << e.key;
      const std::string plain = TooltipMarkupToPlainText(text);
      EXPECT_EQ(plain.find('<'), std::string::npos) << e.key;
      EXPECT_EQ(plain.find("&#"), std::string::npos) << e.key;
    }
  }
  std::string tooltip;
  SetCurrentLanguageId(kLanguageEnglish);
  LanguageTexts texts;
  texts.GetTooltip(1116, tooltip);
  EXPECT_NE(tooltip.find(std::string("from ") + kImageToolMakerAddress + " )"), std::string::npos);
  texts.GetTooltip(2008, tooltip);
  EXPECT_NE(tooltip.find(std::string("<Bold>") + kVirtualDiskDownloadAddress + "</Bold>"),
            std::string::npos);
  SetCurrentLanguageId(kLanguageNone);
}

TEST(ClassifyWindow, FollowsClassNameAndButtonStyle) {
  struct Case {
    const char* className;
    unsigned style;
    WindowKind kind;
  };
  const Case cases[] = {
      {"Button", 0x50010000, WindowKind::kPushButton},  // only the low four bits count
      {"BUTTON", 1, WindowKind::kPushButton},
      {"button", 11, WindowKind::kPushButton},
      {"BUTTON", 7, WindowKind::kGroupBox},
      {"BUTTON", 2, WindowKind::kCheckBox},
      {"BUTTON", 3, WindowKind::kCheckBox},
      {"BUTTON", 4, WindowKind::kOther},  // radio button
      {"BUTTON", 5, WindowKind::kOther},  // three-state box
      {"Static", 0, WindowKind::kStaticText},
      {"Edit", 0, WindowKind::kEdit},
      {"ComboBox", 0, WindowKind::kComboBox},
      {"ListBox", 0, WindowKind::kListBox},
      {"#32770", 0, WindowKind::kDialog},
      {"xtpdockbar", 0, WindowKind::kToolOrStatusBar},
      {"XTPStatusBar", 0, WindowKind::kToolOrStatusBar},
      {"SysListView32", 0, WindowKind::kOther},
      {"BUTTONS", 0, WindowKind::kOther},
      {nullptr, 0, WindowKind::kOther},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyWindowClass(c.className, c.style), c.kind)
        << (c.className ? c.className : "(null)") << " " << c.style;
  }
}

TEST_F(LanguageTextsTest, BoundTextFollowsTheLanguageOnceItHasAWindow) {
  std::vector<std::string> shown;
  {
    LanguageBoundText info(texts_);
    EXPECT_EQ(texts_.ObserverCount(), 1u);
    info.SetTexts(" No virtual disk driver found !", " Keinen Virtual Disk Treiber gefunden !");
    EXPECT_TRUE(shown.empty());  // no window yet

    info.SetSink([&](const std::string& text) { shown.push_back(text); });
    EXPECT_TRUE(shown.empty());  // the window keeps its text until the next change
    texts_.SwitchLanguage(kLanguageGerman);
    EXPECT_EQ(shown.back(), " Keinen Virtual Disk Treiber gefunden !");
    info.SetTexts("english", nullptr);
    EXPECT_EQ(shown.back(), "");
    EXPECT_EQ(info.German(), "");
    texts_.SwitchLanguage(kLanguageEnglish);
    EXPECT_EQ(shown.back(), "english");
  }
  EXPECT_EQ(texts_.ObserverCount(), 0u);
}

TEST(LanguageTextsSingleton, IsOneObjectAndKeepsTheLanguageInOnePlace) {
  SetCurrentLanguageId(kLanguageNone);
  LanguageTexts& texts = GetLanguageTexts();
  EXPECT_EQ(&texts, &GetLanguageTexts());
  texts.SwitchLanguage(kLanguageGerman);
  EXPECT_TRUE(IsGermanLanguage());
  SetCurrentLanguageId(kLanguageEnglish);
  EXPECT_EQ(texts.GetLanguage(), kLanguageEnglish);
  SetCurrentLanguageId(kLanguageNone);
}

}  // namespace
