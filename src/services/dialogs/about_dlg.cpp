#include "services/dialogs/about_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/icons.h"
#include "gui/static_language.h"
#include "gui/ui_texts.h"

namespace {
QLabel* NewPlainLabel(QWidget* parent, int id) {
  auto* label = new QLabel(parent);
  gui::SetControlId(label, id);
  label->setTextFormat(Qt::PlainText);  // shown as it is, '&' included
  return label;
}
}  // namespace

CAboutDlg::CAboutDlg(const std::string& productName, const std::string& version, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(271, 54)),
      productName_(productName),
      version_(version) {
  setWindowTitle(QStringLiteral("About"));
  auto* icon = new QLabel(this);
  gui::SetControlId(icon, gui::kStaticControlId);
  gui::SetOwnAccessibleName(icon, gui::kTextApplicationIcon.english,
                            gui::kTextApplicationIcon.german);
  icon->setPixmap(gui::ResourceIcon(gui::kIconApplication).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  name_ = NewPlainLabel(this, kIdProductName);
  QFont bold = name_->font();
  bold.setBold(true);
  name_->setFont(bold);
  versionLabel_ = NewPlainLabel(this, kIdVersion);
  auto* line = new CStaticLanguage(this);
  gui::SetControlId(line, gui::kStaticControlId);
  line->SetTexts(gui::kTextAboutLine.english, gui::kTextAboutLine.german);

  auto* close = new QPushButton(QStringLiteral("&Close"), this);
  gui::SetControlId(close, kIdClose);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &CAboutDlg::reject);

  auto* texts = new QVBoxLayout;
  texts->addWidget(name_);
  texts->addWidget(versionLabel_);
  texts->addWidget(line);
  texts->addStretch();
  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0);
  layout->addLayout(texts, 0, 1);
  layout->addWidget(close, 0, 2, Qt::AlignTop);
  layout->setColumnStretch(1, 1);
  layout->setHorizontalSpacing(14);
}

void CAboutDlg::OnInitDialog() {
  name_->setText(QString::fromStdString(productName_));
  versionLabel_->setText(QString::fromStdString(version_));
  RegisterWithLanguage();
}
