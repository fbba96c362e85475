#include "services/language_texts.h"

#include "services/language_tables.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b))) {
      return false;
    }
  }
  return *a == *b;
}

}  // namespace

WindowKind ClassifyWindowClass(const char* className, unsigned buttonStyle) {
  if (className == nullptr) return WindowKind::kOther;
  if (SameIgnoringCase(className, "BUTTON")) {
    switch (buttonStyle & 0x0F) {
      case 0:   // push button
      case 1:   // default push button
      case 11:  // owner-drawn
        return WindowKind::kPushButton;
      case 7:
        return WindowKind::kGroupBox;
      case 2:  // check box
      case 3:  // automatic check box
        return WindowKind::kCheckBox;
      default:
        return WindowKind::kOther;  // radio buttons, three-state boxes
    }
  }
  if (SameIgnoringCase(className, "STATIC")) return WindowKind::kStaticText;
  if (SameIgnoringCase(className, "EDIT")) return WindowKind::kEdit;
  if (SameIgnoringCase(className, "COMBOBOX")) return WindowKind::kComboBox;
  if (SameIgnoringCase(className, "LISTBOX")) return WindowKind::kListBox;
  if (SameIgnoringCase(className, "#32770")) return WindowKind::kDialog;
  if (SameIgnoringCase(className, "XTPDockBar") || SameIgnoringCase(className, "XTPStatusBar")) {
    return WindowKind::kToolOrStatusBar;
  }
  return WindowKind::kOther;
}

LanguageTexts::LanguageTexts() {
  for (const LanguageTextEntry& e : ControlTextTable()) {
    controlTexts_.push_back({e.key, e.english, e.german});
  }
  for (const LanguageTextEntry& e : TooltipTextTable()) {
    tooltipTexts_.push_back({e.key, e.english, e.german});
  }
}

int LanguageTexts::GetLanguage() const {
  return CurrentLanguageId();
}

const LanguageTexts::Entry* LanguageTexts::Find(const std::vector<Entry>& table, int key) {
  for (const Entry& entry : table) {
    if (entry.key == key) return &entry;
  }
  return nullptr;
}

const std::string* LanguageTexts::Pick(const Entry& entry, int language) {
  if (language == kLanguageNone) return nullptr;  // no language chosen yet
  return language == kLanguageGerman ? &entry.german : &entry.english;
}

// A window or observer may unregister itself or another one while it is
// told; the walk goes over the list as it was and skips whoever has left.
void LanguageTexts::ApplyToAllWindows() {
  const std::vector<ILanguageWindow*> snapshot = windows_;
  for (ILanguageWindow* window : snapshot) {
    if (std::find(windows_.begin(), windows_.end(), window) != windows_.end()) {
      window->ApplyTexts(*this);
    }
  }
}

void LanguageTexts::SwitchLanguage(int id) {
  SetCurrentLanguageId(id);
  ApplyToAllWindows();
  const bool german = id == kLanguageGerman;
  const std::vector<ILanguageObserver*> snapshot = observers_;
  for (ILanguageObserver* observer : snapshot) {
    if (std::find(observers_.begin(), observers_.end(), observer) != observers_.end()) {
      observer->OnLanguageChanged(german);
    }
  }
}

void LanguageTexts::RegisterWindow(ILanguageWindow* window) {
  if (window == nullptr) return;
  windows_.push_back(window);
  if (GetLanguage() != kLanguageNone) ApplyToAllWindows();
}

void LanguageTexts::UnregisterWindow(ILanguageWindow* window) {
  const auto it = std::find(windows_.begin(), windows_.end(), window);
  if (it != windows_.end()) windows_.erase(it);
}

void LanguageTexts::AddObserver(ILanguageObserver* observer) {
  if (observer == nullptr) return;
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
  observer->OnLanguageChanged(GetLanguage() == kLanguageGerman);
}

void LanguageTexts::RemoveObserver(ILanguageObserver* observer) {
  const auto it = std::find(observers_.begin(), observers_.end(), observer);
  if (it != observers_.end()) observers_.erase(it);
}

std::string LanguageTexts::GetText(int key) const {
  const Entry* entry = Find(controlTexts_, key);
  if (entry == nullptr) return {};
  const std::string* text = Pick(*entry, GetLanguage());
  return text != nullptr ? *text : std::string();
}

bool LanguageTexts::GetTooltip(int id, std::string& out) const {
  const Entry* entry = Find(tooltipTexts_, id);
  if (entry == nullptr) return false;
  const std::string* text = Pick(*entry, GetLanguage());
  if (text == nullptr) return false;
  out = *text;
  return true;
}

bool LanguageTexts::TextForWindow(WindowKind kind, int key, std::string& out) const {
  switch (kind) {
    case WindowKind::kPushButton:
    case WindowKind::kGroupBox:
    case WindowKind::kCheckBox:
    case WindowKind::kStaticText:
    case WindowKind::kDialog:
      break;
    default:
      return false;
  }
  if (key == 0) return false;
  const Entry* entry = Find(controlTexts_, key);
  if (entry == nullptr) return false;
  const std::string* text = Pick(*entry, GetLanguage());
  if (text == nullptr) return false;
  out = *text;
  return true;
}

LanguageTexts& GetLanguageTexts() {
  static LanguageTexts texts;
  return texts;
}

LanguageBoundText::LanguageBoundText(LanguageTexts& texts) : texts_(texts) {
  texts_.AddObserver(this);
}

LanguageBoundText::~LanguageBoundText() {
  texts_.RemoveObserver(this);
}

void LanguageBoundText::SetSink(TextSink sink) {
  sink_ = std::move(sink);
}

void LanguageBoundText::SetTexts(const char* english, const char* german) {
  english_ = english != nullptr ? english : "";
  german_ = german != nullptr ? german : "";
  OnLanguageChanged(texts_.GetLanguage() == kLanguageGerman);
}

void LanguageBoundText::OnLanguageChanged(bool german) {
  if (sink_) sink_(german ? german_ : english_);
}
