// The user interface texts in English and German and the run-time language
// switch: the windows whose controls follow the language, and the observers
// that hold texts of their own.
//
// The current language id itself lives in base/current_language.h, so
// that every component can pick its messages without this object.
#pragma once

#include "base/current_language.h"

#include <functional>
#include <string>
#include <vector>

class LanguageTexts;

// Told after every language switch, and at once when added.
class ILanguageObserver {
 public:
  virtual ~ILanguageObserver() = default;
  virtual void OnLanguageChanged(bool german) = 0;
};

// Kinds of windows as the texts see them; only push buttons, group boxes,
// check boxes, static texts and dialogs receive texts.
enum class WindowKind {
  kOther = 0,
  kPushButton = 1,
  kGroupBox = 2,
  kCheckBox = 3,
  kStaticText = 4,
  kEdit = 5,
  kComboBox = 6,
  kListBox = 7,
  kDialog = 8,
  kToolOrStatusBar = 9,
};

// The kind of a Windows window from its class name (compared without regard to
// case) and, for buttons, the low four bits of its style.
WindowKind ClassifyWindowClass(const char* className, unsigned buttonStyle);

// A window whose controls follow the language (a dialog of the program). The
// GUI implements it: ApplyTexts re-texts the window itself and its direct
// children, each with LanguageTexts::TextForWindow of its kind and key (the
// control id; for a dialog without one, its template id).
class ILanguageWindow {
 public:
  virtual ~ILanguageWindow() = default;
  virtual void ApplyTexts(const LanguageTexts& texts) = 0;
};

class LanguageTexts {
 public:
  // Fills both tables; the language is whatever is current (0 at start).
  LanguageTexts();
  LanguageTexts(const LanguageTexts&) = delete;
  LanguageTexts& operator=(const LanguageTexts&) = delete;

  int GetLanguage() const;

  // Makes id current, re-texts every registered window in list order, then
  // tells every observer in list order.
  void SwitchLanguage(int id);

  // Appends the window (a window may appear twice); while a language is
  // current, every registered window is re-texted, not only the new one.
  void RegisterWindow(ILanguageWindow* window);
  // Removes the first entry equal to the window, if any.
  void UnregisterWindow(ILanguageWindow* window);

  // Appends the observer unless it is listed, then tells it the language.
  void AddObserver(ILanguageObserver* observer);
  void RemoveObserver(ILanguageObserver* observer);

  // The control text of the key in the current language; empty when the key
  // is unknown or no language is current.
  std::string GetText(int key) const;

  // True with the tooltip mark-up of the id in the current language; false
  // (out untouched) when the id is unknown or no language is current.
  bool GetTooltip(int id, std::string& out) const;

  // The text a window of this kind with this key gets in the current
  // language: false when the kind receives no texts, the key has no entry or
  // no language is current (the window keeps its text).
  bool TextForWindow(WindowKind kind, int key, std::string& out) const;

  std::size_t RegisteredWindowCount() const { return windows_.size(); }
  std::size_t ObserverCount() const { return observers_.size(); }

 private:
  struct Entry {
    int key;
    std::string english;
    std::string german;
  };
  static const Entry* Find(const std::vector<Entry>& table, int key);
  static const std::string* Pick(const Entry& entry, int language);
  void ApplyToAllWindows();

  std::vector<ILanguageWindow*> windows_;
  std::vector<ILanguageObserver*> observers_;
  std::vector<Entry> controlTexts_;
  std::vector<Entry> tooltipTexts_;
};

// The process's one object, created at the first call.
LanguageTexts& GetLanguageTexts();

// The logic of a static text control that follows the language with a pair of
// texts of its own (the main dialog's driver information line). The GUI control
// owns one and gives it the function that sets its window text while the
// window exists.
class LanguageBoundText : public ILanguageObserver {
 public:
  using TextSink = std::function<void(const std::string& text)>;

  explicit LanguageBoundText(LanguageTexts& texts = GetLanguageTexts());
  ~LanguageBoundText() override;
  LanguageBoundText(const LanguageBoundText&) = delete;
  LanguageBoundText& operator=(const LanguageBoundText&) = delete;

  // Connects the control's window (an empty sink: no window). The window keeps
  // its text until the next SetTexts or language switch.
  void SetSink(TextSink sink);

  // Stores both texts (null as empty) and shows the current language's one.
  void SetTexts(const char* english, const char* german);

  void OnLanguageChanged(bool german) override;

  const std::string& English() const { return english_; }
  const std::string& German() const { return german_; }

 private:
  LanguageTexts& texts_;
  std::string english_;
  std::string german_;
  TextSink sink_;
};
