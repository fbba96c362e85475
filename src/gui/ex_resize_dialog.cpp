#include "gui/ex_resize_dialog.h"

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/window_texts.h"

CExResizeDialog::CExResizeDialog(int templateId, QWidget* parent, QSize dialogUnits)
    : QDialog(parent), templateId_(templateId), dialogUnits_(dialogUnits) {
  setSizeGripEnabled(true);
}

CExResizeDialog::~CExResizeDialog() {
  GetLanguageTexts().UnregisterWindow(this);
}

void CExResizeDialog::InitDialog() {
  if (initialized_) return;
  initialized_ = true;
  OnInitDialog();
  RefreshToolTips();
}

int CExResizeDialog::DoModal() {
  InitDialog();
  return exec();
}

void CExResizeDialog::ApplyTexts(const LanguageTexts& texts) {
  gui::ApplyTextsToWindow(this, templateId_, texts);
  OnTextsApplied();
  RefreshToolTips();
}

void CExResizeDialog::RefreshToolTips() {
  for (QWidget* control : gui::WindowControls(this)) {
    const int id = gui::ControlId(control);
    std::string markup;
    if (id == 0 || !GetToolTipText(id, markup)) continue;
    control->setToolTip(gui::TooltipHtml(markup));
  }
  gui::RefreshAccessibleNames(this);
}

QWidget* CExResizeDialog::Control(int id) const {
  return gui::FindControl(this, id);
}

bool CExResizeDialog::GetToolTipText(int controlId, std::string& markup) const {
  return GetLanguageTexts().GetTooltip(controlId, markup);
}

void CExResizeDialog::RegisterWithLanguage() {
  GetLanguageTexts().RegisterWindow(this);
}

void CExResizeDialog::showEvent(QShowEvent* event) {
  InitDialog();
  if (!sized_) {
    sized_ = true;
    // The table's size when the texts fit in it, else what they need.
    const QSize table = gui::DialogUnitsToPixels(font(), dialogUnits_);
    resize(table.expandedTo(sizeHint()).expandedTo(minimumSizeHint()));
  }
  QDialog::showEvent(event);
}
