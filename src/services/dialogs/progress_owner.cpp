#include "services/dialogs/progress_owner.h"

#include "services/dialogs/progress_state_wnd.h"

std::unique_ptr<IProgressDisplay> CWidgetProgressOwner::CreateProgress(const std::string& text,
                                                                       std::uint32_t options) {
  return std::make_unique<CProgressStateWnd>(text, options, window_.data());
}
