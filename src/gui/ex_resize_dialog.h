// The base of every dialog: controls found by their ids, texts that follow the
// language, tooltips from a hook that answers by control id, and a size that
// starts at the dialog table's size and follows the layouts when resized.
#pragma once

#include <QDialog>
#include <QSize>

#include <string>

#include "services/language_texts.h"

class CExResizeDialog : public QDialog, public ILanguageWindow {
  Q_OBJECT

 public:
  // templateId keys the caption in the language texts; dialogUnits is the
  // size of the dialog table (0 x 0: just what the layout needs).
  CExResizeDialog(int templateId, QWidget* parent, QSize dialogUnits = QSize());
  ~CExResizeDialog() override;
  CExResizeDialog(const CExResizeDialog&) = delete;
  CExResizeDialog& operator=(const CExResizeDialog&) = delete;

  int TemplateId() const { return templateId_; }

  // Runs OnInitDialog once; showing the dialog does it too.
  void InitDialog();
  // Initialises the dialog and runs it modally; QDialog::Accepted or Rejected.
  int DoModal();

  // Re-texts the caption and the controls, then the tooltips and the
  // accessible names; dialogs add their own texts in OnTextsApplied.
  void ApplyTexts(const LanguageTexts& texts) override;

  // Asks the hook for each control's tooltip again.
  void RefreshToolTips();

  QWidget* Control(int id) const;

 protected:
  // Fills the controls; registering with the language texts belongs here.
  virtual void OnInitDialog() {}
  // Texts of the dialog's own that the language tables do not hold.
  virtual void OnTextsApplied() {}
  // The tooltip mark-up of a control: by default the language texts' tooltip
  // of its id. False: the control keeps the tooltip it has.
  virtual bool GetToolTipText(int controlId, std::string& markup) const;

  // Follows the language from now on (and takes the current texts at once
  // when a language is chosen).
  void RegisterWithLanguage();

  void showEvent(QShowEvent* event) override;

 private:
  int templateId_;
  QSize dialogUnits_;
  bool initialized_ = false;
  bool sized_ = false;
};
