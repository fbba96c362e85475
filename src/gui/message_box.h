// The program's message box: every message the user is shown goes through
// it, with the product name of the current language as its caption.
#pragma once

#include <QWidget>

#include <string>

namespace gui {

// The caption: the language text with key 102 ("Quillfen").
QString MessageBoxCaption();

// Shows the text with an OK button and waits for it.
void ShowMessage(QWidget* parent, const std::string& text);
// The same under a caption of its own, for the few messages that name one.
void ShowMessage(QWidget* parent, const std::string& text, const QString& caption);

// Asks a question with Yes and No buttons (in the current language); true
// for Yes. Escape and closing the box answer No; Enter answers Yes, or No
// for a question whose Yes loses data.
enum class DefaultAnswer { kYes, kNo };
bool AskYesNo(QWidget* parent, const std::string& text,
              DefaultAnswer defaultAnswer = DefaultAnswer::kYes);

}  // namespace gui
